// Writing PNG chunks with their CRCs.
#include "imaging/png/png_chunk.h"

#include <zlib.h>

#include <algorithm>

namespace vantrel::imaging {

std::uint32_t ChunkCrc(const ChunkType& type, std::span<const std::uint8_t> data) {
    uLong crc = crc32(0, type.data(), static_cast<uInt>(type.size()));
    // zlib resets to its initial value when given no buffer, so an empty chunk (IEND) must skip the call.
    // Lengths are uInt; chunks are at most 2^31 - 1 bytes, which fits.
    if (!data.empty()) crc = crc32(crc, data.data(), static_cast<uInt>(data.size()));
    return static_cast<std::uint32_t>(crc);
}

void PutBigEndian32(std::uint32_t value, std::span<std::uint8_t, 4> out) {
    for (int i = 0; i < 4; ++i) out[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (24 - 8 * i));
}

bool WriteChunk(ByteSink& sink, const ChunkType& type, std::span<const std::uint8_t> data) {
    if (data.size() > 0x7FFFFFFF) return false;
    std::array<std::uint8_t, 8> head{};
    PutBigEndian32(static_cast<std::uint32_t>(data.size()), std::span<std::uint8_t, 4>(head.data(), 4));
    std::copy(type.begin(), type.end(), head.begin() + 4);
    std::array<std::uint8_t, 4> crc{};
    PutBigEndian32(ChunkCrc(type, data), crc);
    return sink.Append(head) && (data.empty() || sink.Append(data)) && sink.Append(crc);
}

}  // namespace vantrel::imaging
