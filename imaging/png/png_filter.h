// PNG row filters (filter method 0) and the per-row choice among them.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace vantrel::imaging {

enum class PngFilter : std::uint8_t { None = 0, Sub = 1, Up = 2, Average = 3, Paeth = 4 };

// Filters `row` against `previous` (all zero for the first row) into `out`; all three have the same size.
// `bytesPerPixel` is the distance to the byte "to the left": 1 for sub-byte pixels.
void FilterRow(PngFilter filter, std::span<const std::uint8_t> previous, std::span<const std::uint8_t> row,
               std::uint32_t bytesPerPixel, std::span<std::uint8_t> out);

// The measure the adaptive choice minimises: the sum of the bytes' magnitudes read as signed values.
std::uint64_t SignedMagnitudeSum(std::span<const std::uint8_t> filtered);

// Chooses each row's filter as the one whose output has the smallest SignedMagnitudeSum (small residuals
// deflate best), ties going to the lower filter number. Holds one scratch row per filter.
class AdaptiveRowFilter {
public:
    explicit AdaptiveRowFilter(std::size_t rowBytes);

    // Writes the filter type byte and the filtered row into `out` (row.size() + 1 bytes); returns the filter.
    PngFilter Filter(std::span<const std::uint8_t> previous, std::span<const std::uint8_t> row,
                     std::uint32_t bytesPerPixel, std::span<std::uint8_t> out);

private:
    std::array<std::vector<std::uint8_t>, 5> candidates_;
};

}  // namespace vantrel::imaging
