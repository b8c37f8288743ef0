// The layout of a packed DIB (header, palette, bottom-up rows) and writing one from chart pixels (pure logic).
#pragma once

#include "scanner/page_picture.h"
#include "scanner/scan_settings.h"
#include "scanner/test_chart.h"

#include <array>
#include <cstdint>
#include <functional>
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
    std::uint32_t xPelsPerMetre;
    std::uint32_t yPelsPerMetre;
};

// The same DIB with its palette left out and biClrUsed 0, the rows right after the header, as
// some drivers send one-bit pages.
DibLayout WithoutPalette(DibLayout layout);

inline constexpr std::uint32_t kFileHeaderBytes = 14;  // BITMAPFILEHEADER

// The layout for a chart of this size and mode; none when the sizes are not positive or the
// image would not fit in 32 bits.
std::optional<DibLayout> PlanDib(int width, int height, ColourMode mode, int xDpi = kDotsPerInch, int yDpi = kDotsPerInch);

// How a row's pixels are stored: a DIB's (blue, green, red; grey and one-bit as palette
// indices, 1 = white) or TWAIN's raw memory rows (red, green, blue), in either pixel flavour:
// chocolate (0 = black) or vanilla (0 = white).
enum class RowFormat { Dib, TwainChocolate, TwainVanilla };

// The bytes of one unpadded TWAIN row of `width` pixels.
std::uint32_t TwainRowBytes(int width, ColourMode mode);

// Packs `width` pixels of row `y` (the dither depends on it) into `out`, which holds at least
// the row's bytes; bytes past the pixels up to `out.size()` are zeroed.
void PackRow(const Rgb* source, int width, int y, ColourMode mode, RowFormat format, std::span<std::uint8_t> out);

// Writes header and palette into the first layout.bitsOffset bytes of `out`.
void WriteDibHeader(const DibLayout& layout, std::span<std::uint8_t> out);

// The BITMAPFILEHEADER that puts `layout`'s packed DIB into a .bmp file.
std::array<std::uint8_t, kFileHeaderBytes> BmpFileHeader(const DibLayout& layout);

// Writes the whole packed DIB of `page` into `out` (at least layout.totalBytes), reporting
// 0..100 as rows are done. False if `out` is too small or the sizes do not match.
bool WritePageDib(const PagePicture& page, ColourMode mode, const DibLayout& layout, std::span<std::uint8_t> out,
                  const std::function<void(int)>& progress);

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
