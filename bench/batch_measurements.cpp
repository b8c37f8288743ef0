// The engine's batches: peak memory of many pages against one, and of a large page by memory
// against native transfer. Each batch runs in a child process of its own against the sample
// scanner through the system's DSM, so one peak never hides in another.
#include "bench/batch_measurements.h"

#include "bench/child_run.h"
#include "engine/consumer_sink.h"
#include "imaging/page_consumer.h"
#include "tests/fixtures/scoped_environment.h"
#include "engine/session.h"
#include "engine/settings.h"
#include "tests/fixtures/stand_in_dsm/stand_in_dsm_client.h"

#include <psapi.h>

#include <cstdio>
#include <string>

namespace bench {

namespace {

using namespace vantrel;

// Counts the pages and lets them go, as a writer does once a page is encoded.
class CountingConsumer final : public imaging::PageConsumer {
public:
    bool Take(const imaging::PageImage& page) override {
        ++pages;
        bytes += page.pixels.size();
        return true;
    }
    bool Finish() override { return true; }
    const std::wstring& Error() const override { return error_; }
    const std::vector<imaging::StoredFile>& Files() const override { return files_; }

    std::uint32_t pages = 0;
    std::uint64_t bytes = 0;

private:
    std::wstring error_;
    std::vector<imaging::StoredFile> files_;
};

std::size_t PeakMemory() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    if (!::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof counters)) return 0;
    // Wine keeps no peak of committed memory, only of the resident set, which every copy touches.
    return counters.PeakWorkingSetSize;
}

struct BatchFigures {
    bool ok = false;
    double peakKb = 0;
    double pageKb = 0;
    std::uint32_t pages = 0;
};

BatchFigures RunBatchChild(int pages, int dpi, const wchar_t* mode, const wchar_t* transfer) {
    const ChildRun child = RunWithSystemDsm(L"--batch " + std::to_wstring(pages) + L" " + std::to_wstring(dpi) + L" " +
                                            mode + L" " + transfer);
    BatchFigures figures;
    unsigned long long peak = 0, bytes = 0;
    unsigned count = 0;
    if (child.exitCode != 0 ||
        std::sscanf(child.output.c_str(), "pages %u bytes %llu peak %llu", &count, &bytes, &peak) != 3)
        return figures;
    figures.ok = true;
    figures.pages = count;
    figures.peakKb = peak / 1024.0;
    figures.pageKb = count ? bytes / 1024.0 / count : 0;
    return figures;
}

// The process peaks of `runs` batches of the same kind, each in a child of its own, as one row.
Row PeakRow(std::string measurement, std::string image, int runs, int pages, int dpi, const wchar_t* mode,
            const wchar_t* transfer) {
    Row row{std::move(measurement), std::move(image), Unit::Kilobytes};
    std::vector<double> peaks;
    double pageKb = 0;
    for (int run = 0; run < runs; ++run) {
        const BatchFigures figures = RunBatchChild(pages, dpi, mode, transfer);
        if (!figures.ok || figures.pages != static_cast<std::uint32_t>(pages)) {
            row.note = "a run failed";
            return row;
        }
        peaks.push_back(figures.peakKb);
        pageKb = figures.pageKb;
    }
    row.value = Summarize(peaks);
    char note[64];
    std::snprintf(note, sizeof note, "one page is %.0f KB", pageKb);
    row.note = note;
    return row;
}

double TicksToMicroseconds(std::int64_t ticks) {
    LARGE_INTEGER frequency{};
    ::QueryPerformanceFrequency(&frequency);
    return 1e6 * static_cast<double>(ticks) / static_cast<double>(frequency.QuadPart);
}

// Takes every page and keeps none, so the figure is the loop's own.
class NullSink final : public engine::PageSink {
public:
    bool TakeNative(DsmBlock&) override { return true; }
    bool TakePage(const imaging::PageImage&) override { return true; }
    std::wstring Failure() const override { return {}; }
};

}  // namespace

std::vector<Row> MeasureBatchLoop(const Plan& plan) {
    const int pages = plan.memoryRuns <= 1 ? 5 : 50;
    Row row{"Batch loop, end of one page's MSG_ENDXFER to the next page's first request",
            std::to_string(pages) + " pages by native transfer from the stand-in DSM", Unit::Microseconds};
    standin::StandInDsm dsm;
    for (int i = 0; i < pages; ++i) dsm.AddPage(64, 64, twain::TWPT_GRAY);
    engine::Session session;
    NullSink sink;
    if (!session.Open().empty() || session.OpenSource(L"")) {
        row.note = "the stand-in DSM did not open";
        return {row};
    }
    const engine::BatchResult result = session.Scan(engine::BatchOptions{}, sink);
    session.Close();
    std::vector<double> gaps;
    std::int64_t endedAt = 0;
    const std::vector<standin::Call> calls = dsm.Calls();
    for (const standin::Call& call : calls) {
        if (call.dat == twain::DAT_PENDINGXFERS && call.msg == twain::MSG_ENDXFER) {
            endedAt = call.leftAt;
        } else if (endedAt != 0 && call.dat == twain::DAT_IMAGEINFO) {
            gaps.push_back(TicksToMicroseconds(call.enteredAt - endedAt));
            endedAt = 0;
        }
    }
    if (result.pages != static_cast<std::uint32_t>(pages) || gaps.size() + 1 != static_cast<std::size_t>(pages)) {
        row.note = "the batch did not deliver every page";
        return {row};
    }
    row.value = Summarize(gaps);
    return {row};
}

std::vector<Row> MeasureBatchMemory(const Plan& plan) {
    std::vector<Row> rows;
    const bool smoke = plan.memoryRuns <= 1;
    const int many = smoke ? 3 : 50;
    const int dpi = smoke ? 75 : 150;
    for (const int pages : {1, many}) {
        rows.push_back(PeakRow("Peak memory of a feeder batch, native transfer (process peak)",
                               std::to_string(pages) + (pages == 1 ? " page" : " pages") + ", A4 grey " +
                                   std::to_string(dpi) + " dpi",
                               plan.memoryRuns, pages, dpi, L"gray", L"native"));
    }
    // A page of about 100 MB: A4 colour at 600 dpi is 4960 x 7016 x 3 bytes.
    const int largeDpi = smoke ? 100 : 600;
    char largePage[32];  // formatted, not concatenated: GCC 12 reports a false overlap in the concatenation here
    std::snprintf(largePage, sizeof largePage, "A4 colour %d dpi", largeDpi);
    for (const bool memory : {false, true}) {
        rows.push_back(PeakRow(memory ? "Peak memory of one large page, memory transfer (process peak)"
                                      : "Peak memory of one large page, native transfer (process peak)",
                               largePage, plan.memoryRuns, 1, largeDpi,
                               L"color", memory ? L"memory" : L"native"));
    }
    return rows;
}

int BatchChild(int pages, int dpi, const std::wstring& mode, const std::wstring& transfer) {
    fixtures::ScopedEnvironment sheets(L"VANTREL_SCANNER_SHEETS", std::to_wstring(pages));
    engine::Session session;
    if (!session.Open().empty() || session.OpenSource(L"Vantrel Sample Scanner")) {
        std::printf("failed: no sample scanner\n");
        return 1;
    }
    const engine::SourceRef source = session.Source();
    const auto colour = engine::ParseColorMode(mode);
    if (engine::SetFeeder(source, true) || !colour || engine::SetColorMode(source, *colour) || engine::SetResolution(source, dpi) ||
        engine::SetPaperSize(source, *engine::FindPaperSize(std::string_view("A4")))) {
        std::printf("failed: settings refused\n");
        return 1;
    }
    engine::BatchOptions options;
    options.enable.hParent = static_cast<twain::TW_HANDLE>(reinterpret_cast<std::uintptr_t>(session.owner()));
    options.disable = options.enable;
    options.mode = transfer == L"memory" ? engine::TransferMode::Memory : engine::TransferMode::Native;
    CountingConsumer consumer;
    // Native DIBs are converted as the image files convert them, so the figure includes that copy.
    engine::ConsumerSink sink(source.link, consumer);
    const engine::BatchResult result = session.Scan(options, sink);
    if (result.pages == 0) {
        std::printf("failed: no page\n");
        return 1;
    }
    std::printf("pages %u bytes %llu peak %llu\n", consumer.pages, static_cast<unsigned long long>(consumer.bytes),
                static_cast<unsigned long long>(PeakMemory()));
    return 0;
}

}  // namespace bench
