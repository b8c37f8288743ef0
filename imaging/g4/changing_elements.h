// Finding where a 1-bit row changes colour: the positions Group 4 coding is built on.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace vantrel::imaging {

// How many copies of the row's width FindChanges puts after the changes: the coder looks up to two changes past
// the last one it has reached, and finds the width (the imaginary change after the row) there without a bound check.
inline constexpr std::size_t kChangeSentinels = 3;

// Replaces `changes` with every x in [0, width) whose pixel differs from pixel x - 1, the pixel before the row
// counting as white, then kChangeSentinels copies of `width`. `row` holds at least (width + 7) / 8 bytes, 1 = black,
// most significant bit first; bits past `width` are ignored. Whole 64-bit words are compared at once, so a row with
// little ink costs a few operations per 64 pixels.
void FindChanges(std::span<const std::uint8_t> row, std::uint32_t width, std::vector<std::uint32_t>& changes);

}  // namespace vantrel::imaging
