// Packed DIBs built field by field, as drivers hand them over: header, masks after a 40-byte header, table, pixels.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

namespace vantrel::imaging::testing {

using Bytes = std::vector<std::uint8_t>;

inline void Put(Bytes& bytes, std::size_t at, std::int64_t value, int count) {
    for (int i = 0; i < count; ++i) bytes[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(static_cast<std::uint64_t>(value) >> (8 * i));
}

// The 14-byte file header of a BMP of `fileBytes` bytes whose pixels start at `pixelsAt`.
inline std::array<std::uint8_t, 14> FileHeader(std::uint64_t fileBytes, std::uint32_t pixelsAt) {
    std::array<std::uint8_t, 14> header{'B', 'M'};
    for (std::size_t i = 0; i < 4; ++i) {
        header[2 + i] = static_cast<std::uint8_t>(fileBytes >> (8 * i));
        header[10 + i] = static_cast<std::uint8_t>(pixelsAt >> (8 * i));
    }
    return header;
}

struct Dib {
    std::uint32_t headerSize = 40;  // 12 (core), 40, 52, 108 or 124
    std::int32_t width = 1;
    std::int32_t height = 1;
    std::uint16_t bits = 24;
    std::uint32_t compression = 0;
    std::uint32_t sizeImage = 0;
    std::int32_t xPpm = 0;
    std::int32_t yPpm = 0;
    std::uint32_t clrUsed = 0;
    std::uint32_t colorSpace = 0;  // V5 only, with the two profile fields
    std::uint32_t profileData = 0;
    std::uint32_t profileSize = 0;
    std::vector<std::uint32_t> table;  // 0x00RRGGBB
    std::vector<std::uint32_t> masks;  // after a 40-byte header, or inside a longer one
    Bytes pixels;                      // as the DIB stores them, rows padded to 4 bytes

    // The block, zero-filled or cut to `size` bytes when one is given.
    Bytes Block(std::size_t size = 0) const {
        const std::size_t masksAfter = headerSize == 40 ? masks.size() * 4 : 0;
        Bytes b(std::max<std::uint32_t>(headerSize, 40) + masksAfter + table.size() * 4, 0);
        Put(b, 0, headerSize, 4);
        const int side = headerSize == 12 ? 2 : 4;
        Put(b, 4, width, side);
        Put(b, 4 + side, height, side);
        Put(b, 4 + 2 * side, 1, 2);
        Put(b, 6 + 2 * side, bits, 2);
        const std::int64_t fields[] = {compression, sizeImage, xPpm, yPpm, clrUsed};
        for (std::size_t i = 0; headerSize != 12 && i < 5; ++i) Put(b, 16 + 4 * i, fields[i], 4);
        for (std::size_t i = 0; headerSize != 12 && i < masks.size(); ++i) Put(b, 40 + 4 * i, masks[i], 4);
        for (std::size_t i = 0; i < table.size(); ++i) Put(b, headerSize + masksAfter + 4 * i, table[i], 4);
        if (headerSize == 124) {
            Put(b, 56, colorSpace, 4);
            Put(b, 112, profileData, 4);
            Put(b, 116, profileSize, 4);
        }
        b.insert(b.end(), pixels.begin(), pixels.end());
        if (size != 0) b.resize(size);
        return b;
    }
};

}  // namespace vantrel::imaging::testing
