// Parsing the document variables and planning each page from them.
#include "scanner/document_pages.h"

#include <charconv>
#include <cmath>
#include <string>

namespace vantrel::scanner {
namespace {

template <typename Number>
std::optional<Number> Parse(std::string_view text, Number lowest, Number highest) {
    Number value{};
    const char* end = text.data() + text.size();
    auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc{} || stop != end || !(value >= lowest && value <= highest)) return std::nullopt;
    return value;
}

// "random:SEED:BOUND", or degrees; at most 45 either way.
void ParseSkew(std::string_view text, DocumentSettings& settings) {
    if (text.starts_with("random:")) {
        text.remove_prefix(7);
        const std::size_t colon = text.find(':');
        if (colon == std::string_view::npos) return;
        const auto seed = Parse<std::uint32_t>(text.substr(0, colon), 0, UINT32_MAX);
        const auto bound = Parse<double>(text.substr(colon + 1), 0, 45);
        if (seed && bound) settings.skewSeed = *seed, settings.skewBound = *bound;
        return;
    }
    if (const auto degrees = Parse<double>(text, -45, 45)) settings.skew = *degrees;
}

void ParseBlank(std::string_view text, DocumentSettings& settings) {
    if (text == "backs") {
        settings.blankBacks = true;
        return;
    }
    std::set<int> pages;
    while (!text.empty()) {
        const std::size_t comma = text.find(',');
        const auto page = Parse<int>(text.substr(0, comma), 1, 65535);
        if (!page) return;
        pages.insert(*page);
        if (comma == std::string_view::npos) break;
        text.remove_prefix(comma + 1);
    }
    settings.blankPages = pages;
}

OwnCleanup ParseCleanup(std::string_view text) {
    OwnCleanup offers;
    while (!text.empty()) {
        const std::size_t comma = text.find(',');
        const std::string_view word = text.substr(0, comma);
        if (word == "blank") offers.blank = true;
        else if (word == "deskew") offers.deskew = true;
        else if (word == "border") offers.border = true;
        else if (word == "fixed") offers.fixed = true;
        else return {};
        if (comma == std::string_view::npos) break;
        text.remove_prefix(comma + 1);
    }
    return offers;
}

bool Blank(const DocumentSettings& settings, PageSlot slot) {
    return settings.enabled && ((settings.blankBacks && slot.side == Side::Back) || settings.blankPages.contains(slot.number));
}

// A page's own angle: a fixed function of the seed and the page number, spread evenly over the bound.
double RandomSkew(std::uint32_t seed, int page, double bound) {
    std::uint64_t z = (std::uint64_t{seed} << 32 | static_cast<std::uint32_t>(page)) + 0x9E3779B97F4A7C15ull;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    z ^= z >> 31;
    return bound * (2 * static_cast<double>(z >> 11) / 9007199254740992.0 - 1);
}

}  // namespace

DocumentSettings ParseDocumentSettings(const DocumentVariables& variables) {
    DocumentSettings settings;
    settings.enabled = variables.content == "document";
    ParseSkew(variables.skew, settings);
    ParseBlank(variables.blank, settings);
    settings.border = variables.border == "1";
    settings.specks = Parse<int>(variables.specks, 0, 10000).value_or(0);
    settings.shade = variables.shade == "1";
    settings.offers = ParseCleanup(variables.cleanup);
    return settings;
}

std::optional<imaging::document::DocumentPlan> DocumentPage(const DocumentSettings& settings, PageSlot slot, int width,
                                                            int height, int dpi, OwnCleanup doing) {
    if (!settings.enabled) return std::nullopt;
    const bool blank = Blank(settings, slot);
    imaging::document::DocumentPlan plan{
        .width = static_cast<std::uint32_t>(width), .height = static_cast<std::uint32_t>(height), .dpi = static_cast<double>(dpi),
        .content = blank ? imaging::document::Content::Blank : imaging::document::Content::Text,
        .band = blank ? -1 : (slot.number & 0xFFFF), .seed = static_cast<std::uint32_t>(slot.number),
        .skewDegrees = doing.deskew ? 0 : settings.skewBound > 0 ? RandomSkew(settings.skewSeed, slot.number, settings.skewBound) : settings.skew,
        .border = settings.border && !doing.border, .specks = settings.specks, .holes = blank || settings.blankBacks, .shade = settings.shade};
    return plan;
}

bool Discarded(const DocumentSettings& settings, PageSlot slot, OwnCleanup doing) { return doing.blank && Blank(settings, slot); }

}  // namespace vantrel::scanner
