// Parsing the sheet count and the fault list.
#include "scanner/fault_modes.h"

#include <charconv>
#include <optional>

namespace vantrel::scanner {
namespace {

std::optional<int> Whole(std::string_view text, int lowest, int highest) {
    int value = 0;
    const char* end = text.data() + text.size();
    auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc{} || stop != end || value < lowest || value > highest) return std::nullopt;
    return value;
}

void Apply(std::string_view item, Faults& faults) {
    if (item == "empty") faults.empty = true;
    if (item == "earlyready") faults.earlyReady = true;
    const std::size_t colon = item.find(':');
    if (colon == std::string_view::npos) return;
    const std::optional<int> page = Whole(item.substr(colon + 1), 1, 65535);
    if (!page) return;
    const std::string_view name = item.substr(0, colon);
    if (name == "jam") faults.jamAt = *page;
    if (name == "doublefeed") faults.doubleFeedAt = *page;
    if (name == "cancel") faults.cancelAt = *page;
}

template <typename Each>
void ForEachItem(std::string_view text, Each each) {
    while (!text.empty()) {
        const std::size_t comma = text.find(',');
        each(text.substr(0, comma));
        if (comma == std::string_view::npos) break;
        text.remove_prefix(comma + 1);
    }
}

struct QuirkName {
    std::string_view name;
    bool Quirks::*flag;
};
constexpr QuirkName kQuirkNames[] = {
    {"rows-asked", &Quirks::rowsAsked},
    {"zero-offsets", &Quirks::zeroOffsets},
    {"empty-final-strip", &Quirks::emptyFinalStrip},
    {"set-current-fails", &Quirks::setCurrentFails},
    {"count-unknown", &Quirks::countUnknown},
    {"silent-ui", &Quirks::silentUi},
    {"high-handles", &Quirks::highHandles},
    {"booleans-as-enums", &Quirks::booleansAsEnums},
    {"units-pixels", &Quirks::unitsPixels},
    {"resolution-unknown", &Quirks::resolutionUnknown},
    {"bitdepth-zero", &Quirks::bitDepthZero},
    {"bw-without-palette", &Quirks::bwWithoutPalette},
    {"bad-compressed", &Quirks::badCompressed},
};

}  // namespace

int ParseSheets(std::string_view text) { return Whole(text, 0, kMaxSheets).value_or(kDefaultSheets); }

Faults ParseFaults(std::string_view text) {
    Faults faults;
    ForEachItem(text, [&](std::string_view item) { Apply(item, faults); });
    return faults;
}

Quirks ParseQuirks(std::string_view text) {
    Quirks quirks;
    ForEachItem(text, [&](std::string_view item) {
        for (const QuirkName& quirk : kQuirkNames)
            if (item == quirk.name) quirks.*quirk.flag = true;
    });
    return quirks;
}

twain::TW_UINT16 FeedFailure(const Faults& faults, int number) {
    if (number == faults.jamAt) return twain::TWCC_PAPERJAM;
    if (number == faults.doubleFeedAt) return twain::TWCC_PAPERDOUBLEFEED;
    return twain::TWCC_SUCCESS;
}

}  // namespace vantrel::scanner
