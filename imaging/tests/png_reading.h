// Reading back what the PNG writer wrote, written apart from it: chunk parsing, inflating and unfiltering.
#pragma once

#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "imaging/page_image.h"

namespace vantrel::imaging::testing {

struct Chunk {
    std::string type;
    std::vector<std::uint8_t> data;
    std::uint32_t storedCrc = 0;
};

inline std::uint32_t BigEndian32(const std::uint8_t* p) {
    return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
}

// The chunks after the signature; nullopt when the signature is wrong or a chunk runs past the end.
inline std::optional<std::vector<Chunk>> ParseChunks(std::span<const std::uint8_t> file) {
    static constexpr std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (file.size() < 8 || !std::equal(file.begin(), file.begin() + 8, kSignature)) return std::nullopt;
    std::vector<Chunk> chunks;
    std::size_t at = 8;
    while (at < file.size()) {
        if (file.size() - at < 12) return std::nullopt;
        const std::uint32_t length = BigEndian32(&file[at]);
        if (file.size() - at - 12 < length) return std::nullopt;
        Chunk chunk;
        chunk.type.assign(reinterpret_cast<const char*>(&file[at + 4]), 4);
        chunk.data.assign(file.begin() + static_cast<std::ptrdiff_t>(at + 8),
                          file.begin() + static_cast<std::ptrdiff_t>(at + 8 + length));
        chunk.storedCrc = BigEndian32(&file[at + 8 + length]);
        chunks.push_back(std::move(chunk));
        at += 12 + length;
    }
    return chunks;
}

// The CRC as the PNG format defines it, computed bit by bit so it does not share the writer's table.
inline std::uint32_t BitwiseCrc(const std::string& type, std::span<const std::uint8_t> data) {
    std::uint32_t crc = 0xFFFFFFFF;
    const auto add = [&crc](std::uint8_t byte) {
        crc ^= byte;
        for (int k = 0; k < 8; ++k) crc = (crc & 1) ? 0xEDB88320u ^ (crc >> 1) : crc >> 1;
    };
    for (const char c : type) add(static_cast<std::uint8_t>(c));
    for (const std::uint8_t b : data) add(b);
    return crc ^ 0xFFFFFFFF;
}

// Inflates a zlib stream whose decompressed size is known; nullopt unless it is exactly that size.
inline std::optional<std::vector<std::uint8_t>> Inflate(std::span<const std::uint8_t> stream, std::size_t size) {
    std::vector<std::uint8_t> out(size + 1);
    uLongf length = static_cast<uLongf>(out.size());
    const int result = uncompress(out.data(), &length, stream.data(), static_cast<uLong>(stream.size()));
    if (result != Z_OK || length != size) return std::nullopt;
    out.resize(size);
    return out;
}

inline int PaethPredictor(int a, int b, int c) {
    const int p = a + b - c;
    const int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
    return pa <= pb && pa <= pc ? a : (pb <= pc ? b : c);
}

// Undoes the filter of every row (filter type byte, then rowBytes bytes); nullopt on an unknown filter type.
inline std::optional<std::vector<std::uint8_t>> Unfilter(std::span<const std::uint8_t> filtered, std::size_t rowBytes,
                                                         std::size_t bpp) {
    if (filtered.size() % (rowBytes + 1) != 0) return std::nullopt;
    const std::size_t rows = filtered.size() / (rowBytes + 1);
    std::vector<std::uint8_t> out(rows * rowBytes);
    for (std::size_t y = 0; y < rows; ++y) {
        const std::uint8_t type = filtered[y * (rowBytes + 1)];
        const std::uint8_t* in = &filtered[y * (rowBytes + 1) + 1];
        std::uint8_t* row = out.data() + y * rowBytes;
        const std::uint8_t* up = y == 0 ? nullptr : row - rowBytes;
        for (std::size_t i = 0; i < rowBytes; ++i) {
            const int a = i >= bpp ? row[i - bpp] : 0;
            const int b = up ? up[i] : 0;
            const int c = up && i >= bpp ? up[i - bpp] : 0;
            int predicted = 0;
            switch (type) {
                case 0: predicted = 0; break;
                case 1: predicted = a; break;
                case 2: predicted = b; break;
                case 3: predicted = (a + b) / 2; break;
                case 4: predicted = PaethPredictor(a, b, c); break;
                default: return std::nullopt;
            }
            row[i] = static_cast<std::uint8_t>(in[i] + predicted);
        }
    }
    return out;
}

// The samples a reader should find: rows packed without padding, 1-bit rows inverted (greyscale 1 is white)
// with the bits past the last pixel zero.
inline std::vector<std::uint8_t> ExpectedSamples(const PageImage& page) {
    const std::size_t rowBytes = static_cast<std::size_t>(MinimumStride(page.format, page.width));
    std::vector<std::uint8_t> out;
    for (std::uint32_t y = 0; y < page.height; ++y) {
        const std::uint8_t* row = page.pixels.data() + page.stride * y;
        for (std::size_t i = 0; i < rowBytes; ++i) {
            if (page.format != PixelFormat::BlackWhite1) {
                out.push_back(row[i]);
                continue;
            }
            std::uint8_t byte = static_cast<std::uint8_t>(~row[i]);
            const std::uint32_t pixelsHere = page.width - static_cast<std::uint32_t>(i * 8);
            if (pixelsHere < 8) byte &= static_cast<std::uint8_t>(0xFF << (8 - pixelsHere));
            out.push_back(byte);
        }
    }
    return out;
}

}  // namespace vantrel::imaging::testing
