// Reads back a JPEG file's marker structure and the byte stuffing of its one scan, for tests and fuzzer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace vantrel::imaging::jpeg {

struct Segment {
    std::uint8_t marker;                 // the byte after 0xFF
    std::span<const std::uint8_t> fields;  // after the length field; empty for SOI and EOI
};

struct JpegLayout {
    std::vector<Segment> segments;  // SOI first, EOI last, the scan's data between SOS and EOI
    std::span<const std::uint8_t> entropyData;
    std::size_t stuffedBytes = 0;   // 0xFF 0x00 pairs in the entropy data
};

// Refuses (nullopt, saying why in `error`) a file that does not start with SOI, has a segment
// running past the end, a marker inside the scan (every 0xFF there must be followed by 0x00),
// other than exactly one scan, or anything after EOI.
std::optional<JpegLayout> ParseJpeg(std::span<const std::uint8_t> file, std::string* error = nullptr);

std::uint16_t ReadU16(std::span<const std::uint8_t> bytes, std::size_t at);

}  // namespace vantrel::imaging::jpeg
