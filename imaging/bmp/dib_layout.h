// Planning the BMP file that carries a packed DIB taken from a global memory block.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>

namespace vantrel {

struct BmpLayout {
    std::array<std::uint8_t, 14> fileHeader;  // the BITMAPFILEHEADER as written: "BM", bfSize, 0, 0, bfOffBits (little-endian)
    std::uint32_t dibBytes;                   // bytes taken from the block's start after the file header (bfSize - 14)
    std::uint32_t bfOffBits;                  // where the pixels start in the file (14 bytes before, in the block)
};

// Plans the BMP file for the packed DIB at the start of `block` (the block's real size, as GlobalSize gives it).
// Refuses (nullopt) anything it cannot write without reading past the block.
std::optional<BmpLayout> PlanBmpFile(std::span<const std::uint8_t> block);

}  // namespace vantrel
