// DIBs for the tests: a 40-byte header, the colour table its depth needs, and bytes after the
// header that count up so misplaced data shows.
#pragma once

#include <cstdint>
#include <vector>

namespace vantrel::tests {

inline void Put32(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

struct Dib {
    int width;
    int height;  // negative: top-down
    int bits;
    bool sizeImageZero = false;

    std::uint32_t TableBytes() const { return bits > 8 ? 0 : 4u << bits; }
    std::uint32_t PixelBytes() const {
        return static_cast<std::uint32_t>((width * bits + 31) / 32 * 4 * (height < 0 ? -height : height));
    }

    std::vector<std::uint8_t> Bytes() const {
        std::vector<std::uint8_t> dib(40 + TableBytes() + PixelBytes(), 0);
        for (std::size_t i = 40; i < dib.size(); ++i) dib[i] = static_cast<std::uint8_t>(i * 13 + 5);
        const std::uint32_t header[] = {40, static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(height),
                                        1u | static_cast<std::uint32_t>(bits) << 16, 0, sizeImageZero ? 0 : PixelBytes()};
        for (std::size_t i = 0; i < std::size(header); ++i) Put32(dib, 4 * i, header[i]);
        return dib;
    }
};

}  // namespace vantrel::tests
