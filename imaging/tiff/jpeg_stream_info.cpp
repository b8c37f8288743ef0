// The marker walk to a JPEG stream's frame header.
#include "imaging/tiff/jpeg_stream_info.h"

#include "imaging/jpeg/jpeg_segments.h"

namespace vantrel::imaging::tiff {
namespace {

constexpr std::uint8_t kEoi = 0xD9, kSos = 0xDA, kSof0 = 0xC0, kSof1 = 0xC1;

std::uint32_t BigEndian16(const std::uint8_t* bytes) { return std::uint32_t{bytes[0]} << 8 | bytes[1]; }

// Other frame types (progressive, lossless, arithmetic): C2, C3, C5..C7, C9..CB, CD..CF. C4, C8 and CC are DHT, JPG
// and DAC, not frames.
bool IsOtherFrame(std::uint8_t marker) {
    return marker >= 0xC2 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

std::optional<JpegStreamInfo> ReadFrame(std::span<const std::uint8_t> segment) {
    if (segment.size() < 6 || segment[0] != 8) return std::nullopt;
    JpegStreamInfo info;
    info.height = BigEndian16(&segment[1]);
    info.width = BigEndian16(&segment[3]);
    info.components = segment[5];
    if (info.height == 0 || info.width == 0 || (info.components != 1 && info.components != 3)) return std::nullopt;
    if (segment.size() != 6 + 3 * std::size_t{info.components}) return std::nullopt;
    for (std::uint32_t c = 0; c < info.components; ++c) {
        const std::uint8_t factors = segment[6 + 3 * c + 1];
        info.horizontal[c] = factors >> 4;
        info.vertical[c] = factors & 0x0F;
        if (info.horizontal[c] < 1 || info.horizontal[c] > 4 || info.vertical[c] < 1 || info.vertical[c] > 4) return std::nullopt;
    }
    return info;
}

}  // namespace

std::optional<JpegStreamInfo> ReadJpegStreamInfo(std::span<const std::uint8_t> jpeg) {
    const std::size_t size = jpeg.size();
    if (size < 4 || jpeg[size - 2] != 0xFF || jpeg[size - 1] != kEoi) return std::nullopt;
    std::optional<JpegStreamInfo> info;
    jpeg::WalkJpegSegments(jpeg, [&](const jpeg::JpegSegment& segment) {
        if (segment.marker == kSof0 || segment.marker == kSof1) info = ReadFrame(segment.fields);
        const bool last = info || segment.marker == kSos || IsOtherFrame(segment.marker);
        return last ? jpeg::Walk::Stop : jpeg::Walk::Next;
    });
    return info;
}

}  // namespace vantrel::imaging::tiff
