// Printing the table: figures with their spread, the ratio to the limit and the verdict.
#include "bench/report.h"

#include <cstdio>

namespace bench {

namespace {

const char* Suffix(Unit unit) {
    switch (unit) {
    case Unit::Milliseconds: return " ms";
    case Unit::Microseconds: return " µs";
    case Unit::Kilobytes: return " KB";
    case Unit::PercentOfCore: return " %";
    }
    return "";
}

std::string Number(double value) {
    char text[32];
    const double magnitude = value < 0 ? -value : value;
    std::snprintf(text, sizeof text, magnitude >= 100 || magnitude == 0 ? "%.0f" : magnitude >= 10 ? "%.1f" : "%.2f", value);
    return text;
}

}  // namespace

std::string Format(double value, Unit unit) { return Number(value) + Suffix(unit); }

void PrintTable(const std::vector<Row>& rows) {
    std::printf("| Measurement | Image | Median | Spread (min to max) | Runs | Limit (median) | Ratio | Target | Met |\n");
    std::printf("|---|---|---:|---:|---:|---:|---:|---|---|\n");
    for (const Row& row : rows) {
        std::string median = "failed";
        std::string spread = "-";
        if (row.value.count > 0) {
            median = Format(row.value.median, row.unit);
            spread = Number(row.value.low) + " to " + Format(row.value.high, row.unit);
        }
        std::string limit = "-";
        std::string ratio = "-";
        if (row.limit && row.limit->count > 0) {
            limit = Format(row.limit->median, row.unit);
            if (row.value.count > 0 && row.limit->median > 0) ratio = Number(row.value.median / row.limit->median);
        }
        const char* met = !row.met ? "-" : *row.met ? "yes" : "**no**";
        std::string target = row.target.empty() ? "-" : row.target;
        if (!row.note.empty()) target += " (" + row.note + ")";
        std::printf("| %s | %s | %s | %s | %zu | %s | %s | %s | %s |\n", row.measurement.c_str(), row.image.c_str(),
                    median.c_str(), spread.c_str(), row.value.count, limit.c_str(), ratio.c_str(), target.c_str(), met);
    }
    std::fflush(stdout);
}

}  // namespace bench
