// What a JPEG page carries in its frame header, read to check the parameters a caller gives with the bytes.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>

namespace vantrel::imaging::tiff {

struct JpegStreamInfo {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint32_t components = 0;           // 1 or 3
    std::array<std::uint8_t, 3> horizontal{};  // each component's sampling factors, 1..4
    std::array<std::uint8_t, 3> vertical{};
};

// Walks the marker segments of a complete interchange stream (SOI first, EOI the last two bytes) up to its frame
// header, which must be baseline or extended sequential Huffman (SOF0, SOF1) with 8-bit samples, a height given
// there (not by a later DNL), and 1 or 3 components. None for anything else, a truncated segment among them.
std::optional<JpegStreamInfo> ReadJpegStreamInfo(std::span<const std::uint8_t> jpeg);

}  // namespace vantrel::imaging::tiff
