// A plain T.6 decoder for tests only: bit by bit, with its own copy of the code tables written as strings, so that it
// shares no code with the encoder it checks.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace vantrel::imaging::testing {

// Decodes `height` rows of `width` pixels into rows of (width + 7) / 8 bytes, 1 = black, padding bits 0. Strict,
// to catch encoder faults: nullopt on an unknown code, a change outside the row or not right of a0, a pass that
// reaches the row's end, an empty run an encoder would not write, or data not ending in the end-of-block (two EOL
// codes) followed only by zero bits to the end of the last byte.
std::optional<std::vector<std::uint8_t>> DecodeGroup4(std::span<const std::uint8_t> data, std::uint32_t width,
                                                      std::uint32_t height);

}  // namespace vantrel::imaging::testing
