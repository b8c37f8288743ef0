// What a scan produces (colour mode and size) and how the test environment spells it (pure logic).
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vantrel::scanner {

enum class ColourMode { Colour, Grey, BlackWhite };

struct ScanSettings {
    ColourMode mode = ColourMode::Colour;
    int width = 400;
    int height = 300;
};

// The resolution the source claims for every image it makes.
inline constexpr int kDotsPerInch = 100;

// Sizes outside these bounds are refused, so a typing error cannot ask for gigabytes.
inline constexpr int kMinSide = 16;
inline constexpr int kMaxSide = 4000;

// "color", "gray" or "bw" (the British spellings too); anything else is no mode.
std::optional<ColourMode> ParseMode(std::string_view text);

struct Size {
    int width;
    int height;
};

// "WxH" in pixels, each side within [kMinSide, kMaxSide]; anything else is no size.
std::optional<Size> ParseSize(std::string_view text);

// The settings the environment asks for: VANTREL_SCANNER_MODE and VANTREL_SCANNER_SIZE as read
// (absent values are empty); what is absent or invalid keeps its default.
ScanSettings SettingsFrom(std::string_view modeText, std::string_view sizeText);

int BitsPerPixel(ColourMode mode);

// "24-bit colour", "8-bit grey", "1-bit black and white".
std::string DescribeMode(ColourMode mode);

// The text the chart carries, e.g. "400 x 300, 24-bit colour".
std::string ChartLabel(const ScanSettings& settings);

}  // namespace vantrel::scanner
