// The paper sizes clients name, with their TWSS codes and their dimensions in inches.
#include "engine/paper_sizes.h"

#include <algorithm>
#include <cctype>
#include <string>

namespace vantrel::engine {

namespace {

constexpr double kMillimetre = 1.0 / 25.4;

constexpr PaperSize kSizes[] = {
    {"A3", 11, 297 * kMillimetre, 420 * kMillimetre},
    {"A4", 1, 210 * kMillimetre, 297 * kMillimetre},
    {"A5", 5, 148 * kMillimetre, 210 * kMillimetre},
    {"A6", 13, 105 * kMillimetre, 148 * kMillimetre},
    {"B4", 6, 250 * kMillimetre, 353 * kMillimetre},   // ISO B4 (TWSS_ISOB4)
    {"B5", 2, 176 * kMillimetre, 250 * kMillimetre},   // JIS B5 (TWSS_JISB5)
    {"Letter", 3, 8.5, 11},
    {"Legal", 4, 8.5, 14},
    {"Executive", 10, 7.25, 10.5},
    {"Ledger", 9, 11, 17},
    {"BusinessCard", 53, 90 * kMillimetre, 55 * kMillimetre},
};

std::string Folded(std::string_view text) {
    std::string folded(text);
    std::transform(folded.begin(), folded.end(), folded.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return folded;
}

}  // namespace

std::span<const PaperSize> PaperSizes() { return kSizes; }

std::optional<PaperSize> FindPaperSize(std::string_view name) {
    std::string wanted = Folded(name);
    if (wanted.starts_with("twss_")) wanted.erase(0, 5);
    if (wanted.starts_with("us") && wanted.size() > 2) wanted.erase(0, 2);
    if (wanted.starts_with("iso") && wanted.size() > 3) wanted.erase(0, 3);
    for (const PaperSize& size : kSizes) {
        if (Folded(size.name) == wanted) return size;
    }
    return std::nullopt;
}

std::optional<PaperSize> FindPaperSize(std::uint16_t twss) {
    for (const PaperSize& size : kSizes) {
        if (size.twss == twss) return size;
    }
    return std::nullopt;
}

}  // namespace vantrel::engine
