// The walk over a JPEG stream's marker segments after SOI, shared by whoever reads or amends a stream's headers, so
// that all of them accept the same streams (fill bytes before a marker, restart markers without a length).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace vantrel::imaging::jpeg {

struct JpegSegment {
    std::uint8_t marker = 0;
    std::size_t start = 0;  // offset of the segment's first 0xFF
    std::size_t end = 0;    // offset just past its fields
    std::span<const std::uint8_t> fields;  // after the length
};

enum class Walk { Next, Stop };

// Calls `visit` for each segment with a length, in order, until it answers Stop. False when the stream does not
// start with SOI, or ends, breaks or holds another SOI or EOI before that.
template <class Visit>
bool WalkJpegSegments(std::span<const std::uint8_t> jpeg, Visit&& visit) {
    const std::size_t size = jpeg.size();
    if (size < 4 || jpeg[0] != 0xFF || jpeg[1] != 0xD8) return false;
    std::size_t at = 2;
    while (at < size) {
        if (jpeg[at] != 0xFF) return false;
        const std::size_t start = at;
        while (at < size && jpeg[at] == 0xFF) ++at;
        if (at >= size) return false;
        const std::uint8_t marker = jpeg[at++];
        if (marker == 0xD8 || marker == 0xD9) return false;
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) continue;  // no length follows these
        if (size - at < 2) return false;
        const std::size_t length = std::size_t{jpeg[at]} << 8 | jpeg[at + 1];
        if (length < 2 || length > size - at) return false;
        if (visit(JpegSegment{marker, start, at + length, jpeg.subspan(at + 2, length - 2)}) == Walk::Stop) return true;
        at += length;
    }
    return false;
}

}  // namespace vantrel::imaging::jpeg
