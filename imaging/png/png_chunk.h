// PNG chunks: length, type, data and the CRC over type and data.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "imaging/byte_sink.h"

namespace vantrel::imaging {

using ChunkType = std::array<std::uint8_t, 4>;

constexpr ChunkType MakeChunkType(const char (&name)[5]) {
    return {static_cast<std::uint8_t>(name[0]), static_cast<std::uint8_t>(name[1]),
            static_cast<std::uint8_t>(name[2]), static_cast<std::uint8_t>(name[3])};
}

// The CRC-32 (ISO 3309) a chunk carries, taken over its type and data but not its length.
std::uint32_t ChunkCrc(const ChunkType& type, std::span<const std::uint8_t> data);

// Appends one whole chunk. False when the data is longer than a PNG length may say (2^31 - 1) or the sink fails.
bool WriteChunk(ByteSink& sink, const ChunkType& type, std::span<const std::uint8_t> data);

// Big-endian, as every PNG integer is stored.
void PutBigEndian32(std::uint32_t value, std::span<std::uint8_t, 4> out);

}  // namespace vantrel::imaging
