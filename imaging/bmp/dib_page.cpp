// Reading a packed DIB's header, table and rows into a top-down page.
#include "imaging/bmp/dib_page.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstddef>
#include <vector>

#include "imaging/bmp/dib_layout.h"

namespace vantrel::imaging {
namespace {

constexpr std::uint32_t kCoreHeader = 12;
constexpr std::uint32_t kInfoHeader = 40;
constexpr std::uint32_t kRgb = 0;
constexpr std::uint32_t kBitfields = 3;
constexpr std::uint32_t kAlphaBitfields = 6;
constexpr std::uint64_t kFileHeaderBytes = 14;

struct Colour {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;
    bool operator==(const Colour&) const = default;
    bool Grey() const { return r == g && g == b; }
};

constexpr Colour kBlack{0, 0, 0};
constexpr Colour kWhite{255, 255, 255};

// The callers have checked that the bytes lie inside the block (the header, through PlanBmpFile).
std::uint32_t U32(std::span<const std::uint8_t> block, std::size_t at) {
    return static_cast<std::uint32_t>(block[at]) | static_cast<std::uint32_t>(block[at + 1]) << 8 |
           static_cast<std::uint32_t>(block[at + 2]) << 16 | static_cast<std::uint32_t>(block[at + 3]) << 24;
}
std::uint16_t U16(std::span<const std::uint8_t> block, std::size_t at) {
    return static_cast<std::uint16_t>(block[at] | block[at + 1] << 8);
}

struct Header {
    std::uint32_t width = 0;
    std::uint32_t rows = 0;
    bool topDown = false;
    std::uint32_t bitCount = 0;
    std::uint32_t compression = kRgb;
    std::int32_t xPelsPerMeter = 0;
    std::int32_t yPelsPerMeter = 0;
    std::size_t entryBytes = 4;  // RGBQUAD; RGBTRIPLE under a core header
    std::array<std::uint32_t, 3> masks{};  // red, green, blue for 16 and 32 bits
};

std::array<std::uint32_t, 3> DefaultMasks(std::uint32_t bitCount) {
    if (bitCount == 16) return {0x7C00, 0x03E0, 0x001F};
    return {0xFF0000, 0x00FF00, 0x0000FF};
}

// PlanBmpFile has checked the header's size against the block and the depth against the known ones.
std::optional<Header> ReadHeader(std::span<const std::uint8_t> block) {
    const std::uint32_t headerSize = U32(block, 0);
    Header h;
    if (headerSize == kCoreHeader) {
        h.width = U16(block, 4);
        h.rows = U16(block, 6);
        h.bitCount = U16(block, 10);
        h.entryBytes = 3;
        return h;
    }
    const auto height = static_cast<std::int32_t>(U32(block, 8));
    h.width = U32(block, 4);
    h.topDown = height < 0;
    h.rows = height < 0 ? static_cast<std::uint32_t>(0u - static_cast<std::uint32_t>(height)) : static_cast<std::uint32_t>(height);
    h.bitCount = U16(block, 14);
    h.compression = U32(block, 16);
    h.xPelsPerMeter = static_cast<std::int32_t>(U32(block, 24));
    h.yPelsPerMeter = static_cast<std::int32_t>(U32(block, 28));

    const bool masked = h.compression == kBitfields || h.compression == kAlphaBitfields;
    if (h.compression != kRgb && !masked) return std::nullopt;  // RLE, JPEG, PNG: not ours to decode
    if (masked && h.bitCount != 16 && h.bitCount != 32) return std::nullopt;
    h.masks = DefaultMasks(h.bitCount);
    // The masks follow a 40-byte header and sit inside the longer ones, at the same place either way.
    if (masked) {
        if (block.size() < kInfoHeader + 12) return std::nullopt;
        h.masks = {U32(block, 40), U32(block, 44), U32(block, 48)};
    }
    return h;
}

// The table as 2^bitCount colours, indices past the DIB's own entries black.
std::vector<Colour> ReadTable(std::span<const std::uint8_t> block, const Header& h, std::size_t pixelsAt) {
    std::vector<Colour> table(std::size_t{1} << h.bitCount, kBlack);
    // A core header always has the full table; biClrUsed 0 means the full table too. The planner has
    // refused more entries than the depth has and placed the pixels right after the table.
    std::size_t entries = table.size();
    if (U32(block, 0) != kCoreHeader && U32(block, 32) != 0) entries = U32(block, 32);
    const std::size_t tableAt = pixelsAt - entries * h.entryBytes;
    for (std::size_t i = 0; i < entries; ++i) {
        const std::size_t at = tableAt + i * h.entryBytes;
        table[i] = Colour{block[at + 2], block[at + 1], block[at]};
    }
    return table;
}

std::uint32_t Index(std::span<const std::uint8_t> row, std::uint32_t x, std::uint32_t bits) {
    const std::uint64_t bit = std::uint64_t{x} * bits;
    const std::uint32_t byte = row[static_cast<std::size_t>(bit / 8)];
    return (byte >> (8 - bits - bit % 8)) & ((1u << bits) - 1);
}

// One channel of a masked pixel, widened to 8 bits with rounding; an empty mask gives 0.
std::uint8_t Channel(std::uint32_t pixel, std::uint32_t mask) {
    if (mask == 0) return 0;
    const int shift = std::countr_zero(mask);
    const std::uint64_t largest = mask >> shift;
    const std::uint64_t value = (pixel & mask) >> shift;
    return static_cast<std::uint8_t>((value * 255 + largest / 2) / largest);
}

void ConvertRow(std::span<const std::uint8_t> source, const Header& h, const std::vector<Colour>& table,
                PixelFormat format, bool blackIsZero, std::span<std::uint8_t> out) {
    const std::uint32_t w = h.width;
    if (format == PixelFormat::BlackWhite1) {
        // Copied byte by byte, inverted when index 0 is the black one, since our 1 is black.
        for (std::size_t i = 0; i < out.size(); ++i) out[i] = blackIsZero ? static_cast<std::uint8_t>(~source[i]) : source[i];
        return;
    }
    if (format == PixelFormat::Gray8) {
        for (std::uint32_t x = 0; x < w; ++x) out[x] = table[Index(source, x, h.bitCount)].r;
        return;
    }
    for (std::uint32_t x = 0; x < w; ++x) {
        Colour c;
        if (h.bitCount <= 8) {
            c = table[Index(source, x, h.bitCount)];
        } else if (h.bitCount == 24) {
            c = Colour{source[3 * x + 2], source[3 * x + 1], source[3 * x]};
        } else {
            const std::size_t at = static_cast<std::size_t>(x) * (h.bitCount / 8);
            const std::uint32_t pixel = h.bitCount == 16 ? U16(source, at) : U32(source, at);
            c = Colour{Channel(pixel, h.masks[0]), Channel(pixel, h.masks[1]), Channel(pixel, h.masks[2])};
        }
        out[3 * std::size_t{x}] = c.r;
        out[3 * std::size_t{x} + 1] = c.g;
        out[3 * std::size_t{x} + 2] = c.b;
    }
}

// A 1-bit BITMAPINFOHEADER DIB with biClrUsed 0 must carry two table entries; some drivers leave
// them out and start the rows right after the header. A block that holds exactly the rows after the
// header is such a DIB, read as a monochrome bitmap: 0 black, 1 white.
bool WithoutTable(std::span<const std::uint8_t> block) {
    if (block.size() < kInfoHeader || U32(block, 0) != kInfoHeader) return false;
    const std::int64_t width = static_cast<std::int32_t>(U32(block, 4));
    const std::int64_t height = static_cast<std::int32_t>(U32(block, 8));
    if (width <= 0 || height == 0 || U16(block, 14) != 1 || U32(block, 16) != kRgb || U32(block, 32) != 0) return false;
    const std::uint64_t stride = (static_cast<std::uint64_t>(width) + 31) / 32 * 4;
    const std::uint64_t rows = static_cast<std::uint64_t>(height < 0 ? -height : height);
    const std::uint64_t room = block.size() - kInfoHeader;
    return room / stride == rows && room % stride == 0;
}

}  // namespace

double DpiFromPelsPerMeter(std::int32_t pelsPerMeter) {
    if (pelsPerMeter <= 0) return 0;
    const double exact = pelsPerMeter * 0.0254;
    const double whole = std::round(exact);
    // Scanners work in whole dots per inch, which whole pixels per metre cannot hold exactly.
    if (whole > 0 && std::llround(whole / 0.0254) == pelsPerMeter) return whole;
    return std::round(exact * 100) / 100;
}

std::optional<PageBuffer> PageFromDib(std::span<const std::uint8_t> block) {
    const std::optional<BmpLayout> plan = PlanBmpFile(block);
    const bool tableless = !plan && WithoutTable(block);
    if (!plan && !tableless) return std::nullopt;
    const std::optional<Header> header = ReadHeader(block);
    if (!header) return std::nullopt;
    const Header& h = *header;

    const std::size_t pixelsAt = tableless ? kInfoHeader : static_cast<std::size_t>(plan->bfOffBits - kFileHeaderBytes);
    // The DIB's own biSizeImage is not trusted for reading: every row must lie inside the block.
    const std::uint64_t stride = (std::uint64_t{h.width} * h.bitCount + 31) / 32 * 4;
    if (pixelsAt > block.size() || h.rows > (block.size() - pixelsAt) / stride) return std::nullopt;

    std::vector<Colour> table;
    PixelFormat format = PixelFormat::Rgb24;
    bool blackIsZero = false;
    if (h.bitCount <= 8) {
        table = tableless ? std::vector<Colour>{kBlack, kWhite} : ReadTable(block, h, pixelsAt);
        const bool grey = std::all_of(table.begin(), table.end(), [](const Colour& c) { return c.Grey(); });
        const bool bilevel = h.bitCount == 1 && ((table[0] == kBlack && table[1] == kWhite) ||
                                                 (table[0] == kWhite && table[1] == kBlack));
        format = bilevel ? PixelFormat::BlackWhite1 : grey ? PixelFormat::Gray8 : PixelFormat::Rgb24;
        blackIsZero = bilevel && table[0] == kBlack;
    }

    std::optional<PageBuffer> page = PageBuffer::Make(h.width, h.rows, format, DpiFromPelsPerMeter(h.xPelsPerMeter),
                                                      DpiFromPelsPerMeter(h.yPelsPerMeter));
    if (!page) return std::nullopt;
    for (std::uint32_t y = 0; y < h.rows; ++y) {
        const std::uint32_t sourceRow = h.topDown ? y : h.rows - 1 - y;
        const auto source = block.subspan(pixelsAt + static_cast<std::size_t>(stride * sourceRow), static_cast<std::size_t>(stride));
        ConvertRow(source, h, table, format, blackIsZero, page->Row(y));
    }
    return page;
}

}  // namespace vantrel::imaging
