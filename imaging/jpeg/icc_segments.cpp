// Cutting a profile into APP2 segments, and finding their place in a stream another encoder wrote.
#include "imaging/jpeg/icc_segments.h"

#include "imaging/jpeg/jpeg_segments.h"

#include <algorithm>
#include <cstring>

namespace vantrel::imaging::jpeg {
namespace {

constexpr std::uint8_t kApp0 = 0xE0;
constexpr std::uint8_t kApp2 = 0xE2;
constexpr std::uint8_t kStartOfScan = 0xDA;
constexpr char kIdentifier[] = "ICC_PROFILE";  // with its NUL: 12 bytes
constexpr std::size_t kLargestSegmentCount = 255;

bool IsIccSegment(std::span<const std::uint8_t> fields) {
    return fields.size() >= sizeof kIdentifier && std::memcmp(fields.data(), kIdentifier, sizeof kIdentifier) == 0;
}

}  // namespace

std::vector<std::uint8_t> IccSegments(std::span<const std::uint8_t> profile) {
    const std::size_t count = (profile.size() + kIccBytesPerSegment - 1) / kIccBytesPerSegment;
    if (count == 0 || count > kLargestSegmentCount) return {};
    std::vector<std::uint8_t> out;
    out.reserve(profile.size() + count * 18);
    for (std::size_t i = 0; i < count; ++i) {
        const auto piece = profile.subspan(i * kIccBytesPerSegment, std::min(kIccBytesPerSegment, profile.size() - i * kIccBytesPerSegment));
        const std::size_t length = 2 + sizeof kIdentifier + 2 + piece.size();
        out.insert(out.end(), {0xFF, kApp2, static_cast<std::uint8_t>(length >> 8), static_cast<std::uint8_t>(length)});
        out.insert(out.end(), kIdentifier, kIdentifier + sizeof kIdentifier);
        out.push_back(static_cast<std::uint8_t>(i + 1));
        out.push_back(static_cast<std::uint8_t>(count));
        out.insert(out.end(), piece.begin(), piece.end());
    }
    return out;
}

std::optional<std::size_t> IccInsertionPoint(std::span<const std::uint8_t> stream) {
    std::optional<std::size_t> point;
    bool hasProfile = false;
    const bool whole = WalkJpegSegments(stream, [&](const JpegSegment& segment) {
        if (segment.marker == kStartOfScan) return Walk::Stop;
        hasProfile = segment.marker == kApp2 && IsIccSegment(segment.fields);
        if (!point) point = segment.marker == kApp0 && segment.start == 2 ? segment.end : 2;
        return hasProfile ? Walk::Stop : Walk::Next;
    });
    if (!whole || hasProfile) return std::nullopt;
    return point.value_or(2);
}

bool AppendWithProfile(std::span<const std::uint8_t> stream, std::span<const std::uint8_t> profile, ByteSink& sink) {
    const std::optional<std::size_t> point = profile.empty() ? std::nullopt : IccInsertionPoint(stream);
    const std::vector<std::uint8_t> segments = point ? IccSegments(profile) : std::vector<std::uint8_t>();
    if (segments.empty()) return sink.Append(stream);
    return sink.Append(stream.first(*point)) && sink.Append(segments) && sink.Append(stream.subspan(*point));
}

}  // namespace vantrel::imaging::jpeg
