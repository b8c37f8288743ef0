// The layout of a packed DIB (header, palette, bottom-up rows) and writing one from chart pixels (pure logic).
#pragma once

#include "scan_settings.h"
#include "test_chart.h"

#include <cstdint>
#include <optional>
#include <span>

namespace vantrel::scanner {

inline constexpr std::uint32_t kInfoHeaderBytes = 40;  // BITMAPINFOHEADER
inline constexpr std::uint32_t kPaletteEntryBytes = 4; // RGBQUAD

struct DibLayout {
    int width;
    int height;
    std::uint16_t bitsPerPixel;
    std::uint32_t paletteEntries;  // 256 grey levels, 2 (black, white) or none for colour
    std::uint32_t stride;          // bytes per row, rounded up to four as GDI requires
    std::uint32_t imageBytes;      // biSizeImage
    std::uint32_t bitsOffset;      // header and palette
    std::uint32_t totalBytes;
};

// The layout for a chart of this size and mode; none when the sizes are not positive or the
// image would not fit in 32 bits.
std::optional<DibLayout> PlanDib(int width, int height, ColourMode mode);

// The grey level of a colour (integer Rec. 601 weights: white stays 255, black 0).
std::uint8_t GreyLevel(Rgb colour);

// Whether the black-and-white image shows white at (x, y): the grey level against a 4 x 4
// ordered-dither threshold, so the ramp stays visible at one bit per pixel.
bool WhiteAt(std::uint8_t grey, int x, int y);

// Writes the whole packed DIB for `pixels` (top row first, layout.width * layout.height of
// them) into `out`, which holds at least layout.totalBytes bytes. Returns false if it is too
// small or the pixel count does not match.
bool WritePackedDib(std::span<const Rgb> pixels, ColourMode mode, const DibLayout& layout, std::span<std::uint8_t> out);

}  // namespace vantrel::scanner
