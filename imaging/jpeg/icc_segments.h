// A colour profile in a JPEG stream: APP2 "ICC_PROFILE" segments right after SOI and the JFIF APP0, where colour
// managed readers look for it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "imaging/byte_sink.h"

namespace vantrel::imaging::jpeg {

// A segment's length field counts itself (2), the identifier with its NUL (12) and the sequence bytes (2).
inline constexpr std::size_t kIccBytesPerSegment = 65535 - 2 - 12 - 2;

// The profile cut into pieces of at most kIccBytesPerSegment, each in its APP2 segment with its number (from 1) and
// the count. Empty for an empty profile or one needing more than 255 segments.
std::vector<std::uint8_t> IccSegments(std::span<const std::uint8_t> profile);

// Where the segments go in a complete stream: after SOI, and after an APP0 right behind it. Nullopt when the stream
// carries a profile already or its segments up to the scan cannot be walked.
std::optional<std::size_t> IccInsertionPoint(std::span<const std::uint8_t> stream);

// A stream (a scanner's, kept as it came) onto the sink with the profile's segments put in where it has none; the
// stream alone when the profile is empty or IccInsertionPoint finds no place.
bool AppendWithProfile(std::span<const std::uint8_t> stream, std::span<const std::uint8_t> profile, ByteSink& sink);

}  // namespace vantrel::imaging::jpeg
