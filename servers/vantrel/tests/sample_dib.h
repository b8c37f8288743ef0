// DIBs for the tests: a 40-byte header, the masks or colour table its format needs, and pixel
// bytes that count up so misplaced data shows.
#pragma once

#include <cstdint>
#include <vector>

namespace vantrel::tests {

inline void Put32(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

struct Dib {
    int width;
    int height;
    int bits;
    std::uint32_t compression = 0;  // 3: 5-6-5 bit fields
    std::uint32_t colorsUsed = 0;
    bool sizeImageZero = false;

    std::uint32_t PixelBytes() const {
        return static_cast<std::uint32_t>((width * bits + 31) / 32 * 4 * (height < 0 ? -height : height));
    }
    std::uint32_t TableBytes() const { return bits > 8 ? 0 : 4 * (colorsUsed ? colorsUsed : (1u << bits)); }
    std::uint32_t MaskBytes() const { return compression == 3 ? 12 : 0; }

    std::vector<std::uint8_t> Bytes() const {
        std::vector<std::uint8_t> dib(40 + MaskBytes() + TableBytes() + PixelBytes(), 0);
        const std::uint32_t header[] = {40, static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(height),
                                        1u | static_cast<std::uint32_t>(bits) << 16, compression,
                                        sizeImageZero ? 0 : PixelBytes(), 0, 0, colorsUsed};
        for (std::size_t i = 0; i < std::size(header); ++i) Put32(dib, 4 * i, header[i]);
        if (compression == 3) {
            Put32(dib, 40, 0xF800);
            Put32(dib, 44, 0x07E0);
            Put32(dib, 48, 0x001F);
        }
        const std::size_t pixelsAt = 40 + MaskBytes() + TableBytes();
        for (std::size_t i = 40 + MaskBytes(); i < dib.size(); ++i) {
            const auto byte = static_cast<std::uint8_t>(i * 13 + 5);
            // With fewer colours in the table, 8-bit pixels may only name those.
            dib[i] = i >= pixelsAt && colorsUsed ? static_cast<std::uint8_t>(byte % colorsUsed) : byte;
        }
        return dib;
    }
};

}  // namespace vantrel::tests
