// Parsing and describing the scan settings.
#include "scanner/scan_settings.h"

#include <charconv>

namespace vantrel::scanner {
namespace {

std::optional<int> ParseSide(std::string_view text) {
    int value = 0;
    const char* end = text.data() + text.size();
    auto [stop, error] = std::from_chars(text.data(), end, value);
    if (error != std::errc{} || stop != end || text.empty()) return std::nullopt;
    if (value < kMinSide || value > kMaxSide) return std::nullopt;
    return value;
}

}  // namespace

std::optional<ColourMode> ParseMode(std::string_view text) {
    if (text == "color" || text == "colour") return ColourMode::Colour;
    if (text == "gray" || text == "grey") return ColourMode::Grey;
    if (text == "bw") return ColourMode::BlackWhite;
    return std::nullopt;
}

std::optional<Size> ParseSize(std::string_view text) {
    std::size_t cross = text.find_first_of("xX");
    if (cross == std::string_view::npos) return std::nullopt;
    std::optional<int> width = ParseSide(text.substr(0, cross));
    std::optional<int> height = ParseSide(text.substr(cross + 1));
    if (!width || !height) return std::nullopt;
    return Size{*width, *height};
}

ScanSettings SettingsFrom(std::string_view modeText, std::string_view sizeText) {
    ScanSettings settings;
    if (std::optional<ColourMode> mode = ParseMode(modeText)) settings.mode = *mode;
    if (std::optional<Size> size = ParseSize(sizeText)) {
        settings.width = size->width;
        settings.height = size->height;
    }
    return settings;
}

int BitsPerPixel(ColourMode mode) {
    switch (mode) {
        case ColourMode::Colour: return 24;
        case ColourMode::Grey: return 8;
        case ColourMode::BlackWhite: return 1;
    }
    return 24;
}

std::string DescribeMode(ColourMode mode) {
    switch (mode) {
        case ColourMode::Colour: return "24-bit colour";
        case ColourMode::Grey: return "8-bit grey";
        case ColourMode::BlackWhite: return "1-bit black and white";
    }
    return {};
}

std::string ChartLabel(const ScanSettings& settings) {
    return std::to_string(settings.width) + " x " + std::to_string(settings.height) + ", " + DescribeMode(settings.mode);
}

}  // namespace vantrel::scanner
