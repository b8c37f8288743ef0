// Changing elements of a row, found a 64-bit word at a time.
#include "imaging/g4/changing_elements.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace vantrel::imaging {
namespace {

// Up to 8 bytes as a big-endian word, so pixel order matches bit order from the most significant bit; missing
// bytes read as zero.
std::uint64_t LoadWord(const std::uint8_t* bytes, std::size_t count) {
    if (count == 8) {
        std::uint64_t word;
        std::memcpy(&word, bytes, 8);
        if constexpr (std::endian::native == std::endian::little) word = __builtin_bswap64(word);
        return word;
    }
    std::uint64_t word = 0;
    for (std::size_t i = 0; i < count; ++i) word |= std::uint64_t{bytes[i]} << (56 - 8 * i);
    return word;
}

}  // namespace

void FindChanges(std::span<const std::uint8_t> row, std::uint32_t width, std::vector<std::uint32_t>& changes) {
    changes.clear();
    const std::size_t rowBytes = (std::size_t{width} + 7) / 8;
    std::uint64_t previousPixel = 0;  // white before the row
    for (std::size_t at = 0; at < rowBytes; at += 8) {
        const std::size_t count = std::min<std::size_t>(8, rowBytes - at);
        const std::uint64_t word = LoadWord(row.data() + at, count);
        // A set bit marks a pixel unlike its left neighbour.
        std::uint64_t differs = word ^ ((word >> 1) | (previousPixel << 63));
        previousPixel = word & 1;
        const std::uint64_t firstPixel = std::uint64_t{at} * 8;
        const std::uint64_t pixelsHere = std::min<std::uint64_t>(64, width - firstPixel);
        if (pixelsHere < 64) differs &= ~(~std::uint64_t{0} >> pixelsHere);
        while (differs != 0) {
            const int offset = std::countl_zero(differs);
            changes.push_back(static_cast<std::uint32_t>(firstPixel + static_cast<std::uint64_t>(offset)));
            differs ^= (std::uint64_t{1} << 63) >> offset;
        }
    }
    changes.insert(changes.end(), kChangeSentinels, width);
}

}  // namespace vantrel::imaging
