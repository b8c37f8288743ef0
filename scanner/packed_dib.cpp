// Packed DIB arithmetic: header fields, palettes, row padding and the three pixel formats.
#include "scanner/packed_dib.h"

#include <algorithm>
#include <limits>
#include <vector>

namespace vantrel::scanner {
namespace {

// Pixels per metre for the DIB header, from dots per inch, rounded so readers get the dpi back.
std::uint32_t PelsPerMetre(int dpi) { return static_cast<std::uint32_t>((dpi * 10000 + 127) / 254); }

void Put16(std::uint8_t* at, std::uint32_t value) {
    at[0] = static_cast<std::uint8_t>(value);
    at[1] = static_cast<std::uint8_t>(value >> 8);
}

void Put32(std::uint8_t* at, std::uint32_t value) {
    Put16(at, value & 0xFFFF);
    Put16(at + 2, value >> 16);
}

void WriteHeader(const DibLayout& layout, std::uint8_t* at) {
    Put32(at + 0, kInfoHeaderBytes);
    Put32(at + 4, static_cast<std::uint32_t>(layout.width));
    Put32(at + 8, static_cast<std::uint32_t>(layout.height));  // positive: bottom-up rows
    Put16(at + 12, 1);                                           // planes
    Put16(at + 14, layout.bitsPerPixel);
    Put32(at + 16, 0);  // BI_RGB, uncompressed
    Put32(at + 20, layout.imageBytes);
    Put32(at + 24, layout.xPelsPerMetre);
    Put32(at + 28, layout.yPelsPerMetre);
    Put32(at + 32, layout.paletteEntries);
    Put32(at + 36, 0);  // all colours important
}

// Grey palettes run evenly from black to white, so index and grey level are the same.
void WritePalette(const DibLayout& layout, std::uint8_t* at) {
    if (layout.paletteEntries < 2) return;
    for (std::uint32_t i = 0; i < layout.paletteEntries; ++i) {
        const auto level = static_cast<std::uint8_t>(i * 255 / (layout.paletteEntries - 1));
        std::uint8_t* entry = at + i * kPaletteEntryBytes;
        entry[0] = level;  // blue, green, red, reserved
        entry[1] = level;
        entry[2] = level;
        entry[3] = 0;
    }
}

void WriteRow(const Rgb* source, int y, ColourMode mode, const DibLayout& layout, std::uint8_t* row) {
    PackRow(source, layout.width, y, mode, RowFormat::Dib, {row, layout.stride});
}

}  // namespace

void PackRow(const Rgb* source, int width, int y, ColourMode mode, RowFormat format, std::span<std::uint8_t> out) {
    std::fill(out.begin(), out.end(), std::uint8_t{0});
    std::uint8_t* row = out.data();
    const bool vanilla = format == RowFormat::TwainVanilla;
    for (int x = 0; x < width; ++x) {
        const Rgb colour = source[x];
        switch (mode) {
            case ColourMode::Colour: {
                std::uint8_t* pixel = row + 3 * x;
                const bool dib = format == RowFormat::Dib;
                pixel[0] = static_cast<std::uint8_t>(dib ? BlueOf(colour) : RedOf(colour));
                pixel[1] = static_cast<std::uint8_t>(GreenOf(colour));
                pixel[2] = static_cast<std::uint8_t>(dib ? RedOf(colour) : BlueOf(colour));
                break;
            }
            case ColourMode::Grey: {
                const std::uint8_t level = GreyLevel(colour);
                row[x] = vanilla ? static_cast<std::uint8_t>(255 - level) : level;
                break;
            }
            case ColourMode::BlackWhite:
                // Leftmost pixel in the most significant bit; a set bit is white except in vanilla.
                if (WhiteAt(GreyLevel(colour), x, y) != vanilla) row[x / 8] |= static_cast<std::uint8_t>(0x80u >> (x % 8));
                break;
        }
    }
}

std::uint32_t TwainRowBytes(int width, ColourMode mode) {
    return static_cast<std::uint32_t>((static_cast<std::uint64_t>(width) * BitsPerPixel(mode) + 7) / 8);
}

void WriteDibHeader(const DibLayout& layout, std::span<std::uint8_t> out) {
    WriteHeader(layout, out.data());
    WritePalette(layout, out.data() + kInfoHeaderBytes);
}

std::array<std::uint8_t, kFileHeaderBytes> BmpFileHeader(const DibLayout& layout) {
    std::array<std::uint8_t, kFileHeaderBytes> header{};
    header[0] = 'B';
    header[1] = 'M';
    Put32(header.data() + 2, kFileHeaderBytes + layout.totalBytes);
    Put32(header.data() + 10, kFileHeaderBytes + layout.bitsOffset);
    return header;
}

bool WritePageDib(const PagePicture& page, ColourMode mode, const DibLayout& layout, std::span<std::uint8_t> out,
                  const std::function<void(int)>& progress) {
    if (out.size() < layout.totalBytes || page.width() != layout.width || page.height() != layout.height) return false;
    WriteDibHeader(layout, out);
    std::vector<Rgb> pixels(static_cast<std::size_t>(layout.width));
    std::uint8_t* bits = out.data() + layout.bitsOffset;
    int reported = -1;
    for (int y = 0; y < layout.height; ++y) {
        page.Row(y, pixels);
        std::uint8_t* row = bits + static_cast<std::size_t>(layout.height - 1 - y) * layout.stride;
        PackRow(pixels.data(), layout.width, y, mode, RowFormat::Dib, {row, layout.stride});
        const int percent = static_cast<int>(static_cast<long long>(y + 1) * 100 / layout.height);
        if (progress && percent / 5 != reported / 5) progress(percent);
        reported = percent;
    }
    return true;
}

std::optional<DibLayout> PlanDib(int width, int height, ColourMode mode, int xDpi, int yDpi) {
    if (width <= 0 || height <= 0 || xDpi <= 0 || yDpi <= 0) return std::nullopt;
    DibLayout layout{};
    layout.width = width;
    layout.height = height;
    layout.bitsPerPixel = static_cast<std::uint16_t>(BitsPerPixel(mode));
    layout.paletteEntries = mode == ColourMode::Colour ? 0 : (1u << layout.bitsPerPixel);
    const std::uint64_t rowBits = static_cast<std::uint64_t>(width) * layout.bitsPerPixel;
    const std::uint64_t stride = (rowBits + 31) / 32 * 4;
    const std::uint64_t image = stride * static_cast<std::uint64_t>(height);
    const std::uint64_t offset = kInfoHeaderBytes + std::uint64_t{layout.paletteEntries} * kPaletteEntryBytes;
    if (offset + image > std::numeric_limits<std::uint32_t>::max()) return std::nullopt;
    layout.stride = static_cast<std::uint32_t>(stride);
    layout.imageBytes = static_cast<std::uint32_t>(image);
    layout.bitsOffset = static_cast<std::uint32_t>(offset);
    layout.totalBytes = static_cast<std::uint32_t>(offset + image);
    layout.xPelsPerMetre = PelsPerMetre(xDpi);
    layout.yPelsPerMetre = PelsPerMetre(yDpi);
    return layout;
}

DibLayout WithoutPalette(DibLayout layout) {
    const std::uint32_t palette = layout.paletteEntries * kPaletteEntryBytes;
    layout.paletteEntries = 0;
    layout.bitsOffset -= palette;
    layout.totalBytes -= palette;
    return layout;
}

std::uint8_t GreyLevel(Rgb colour) {
    const unsigned weighted = 77 * RedOf(colour) + 150 * GreenOf(colour) + 29 * BlueOf(colour);
    return static_cast<std::uint8_t>(std::min(255u, (weighted + 128) / 256));
}

bool WhiteAt(std::uint8_t grey, int x, int y) {
    static constexpr std::uint8_t kBayer[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
    const unsigned threshold = kBayer[y & 3][x & 3] * 16u + 8u;  // 8 .. 248
    return grey > threshold;
}

bool WritePackedDib(std::span<const Rgb> pixels, ColourMode mode, const DibLayout& layout, std::span<std::uint8_t> out) {
    if (out.size() < layout.totalBytes) return false;
    if (pixels.size() != static_cast<std::size_t>(layout.width) * static_cast<std::size_t>(layout.height)) return false;
    WriteHeader(layout, out.data());
    WritePalette(layout, out.data() + kInfoHeaderBytes);
    std::uint8_t* bits = out.data() + layout.bitsOffset;
    // A DIB with a positive height stores its bottom row first.
    for (int y = 0; y < layout.height; ++y) {
        const Rgb* source = pixels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(layout.width);
        std::uint8_t* row = bits + static_cast<std::size_t>(layout.height - 1 - y) * layout.stride;
        WriteRow(source, y, mode, layout, row);
    }
    return true;
}

}  // namespace vantrel::scanner
