// PNG row filters and the minimum-sum-of-absolute-differences choice among them.
#include "imaging/png/png_filter.h"

#include <algorithm>
#include <cstdlib>

namespace vantrel::imaging {
namespace {

std::uint8_t Paeth(std::uint8_t a, std::uint8_t b, std::uint8_t c) {
    const int p = int{a} + int{b} - int{c};
    const int pa = std::abs(p - int{a});
    const int pb = std::abs(p - int{b});
    const int pc = std::abs(p - int{c});
    if (pa <= pb && pa <= pc) return a;
    if (pb <= pc) return b;
    return c;
}

}  // namespace

void FilterRow(PngFilter filter, std::span<const std::uint8_t> previous, std::span<const std::uint8_t> row,
               std::uint32_t bytesPerPixel, std::span<std::uint8_t> out) {
    const std::size_t n = row.size();
    const std::size_t bpp = std::min<std::size_t>(bytesPerPixel, n);
    switch (filter) {
        case PngFilter::None:
            std::copy(row.begin(), row.end(), out.begin());
            return;
        case PngFilter::Sub:
            std::copy_n(row.begin(), bpp, out.begin());
            for (std::size_t i = bpp; i < n; ++i) out[i] = static_cast<std::uint8_t>(row[i] - row[i - bpp]);
            return;
        case PngFilter::Up:
            for (std::size_t i = 0; i < n; ++i) out[i] = static_cast<std::uint8_t>(row[i] - previous[i]);
            return;
        case PngFilter::Average:
            for (std::size_t i = 0; i < bpp; ++i) out[i] = static_cast<std::uint8_t>(row[i] - previous[i] / 2);
            for (std::size_t i = bpp; i < n; ++i)
                out[i] = static_cast<std::uint8_t>(row[i] - (unsigned{row[i - bpp]} + previous[i]) / 2);
            return;
        case PngFilter::Paeth:
            for (std::size_t i = 0; i < bpp; ++i) out[i] = static_cast<std::uint8_t>(row[i] - previous[i]);
            for (std::size_t i = bpp; i < n; ++i)
                out[i] = static_cast<std::uint8_t>(row[i] - Paeth(row[i - bpp], previous[i], previous[i - bpp]));
            return;
    }
}

std::uint64_t SignedMagnitudeSum(std::span<const std::uint8_t> filtered) {
    std::uint64_t sum = 0;
    for (const std::uint8_t byte : filtered) sum += byte < 128 ? byte : 256u - byte;
    return sum;
}

AdaptiveRowFilter::AdaptiveRowFilter(std::size_t rowBytes) {
    for (std::vector<std::uint8_t>& candidate : candidates_) candidate.resize(rowBytes);
}

PngFilter AdaptiveRowFilter::Filter(std::span<const std::uint8_t> previous, std::span<const std::uint8_t> row,
                                    std::uint32_t bytesPerPixel, std::span<std::uint8_t> out) {
    PngFilter best = PngFilter::None;
    std::uint64_t bestSum = UINT64_MAX;
    for (std::size_t f = 0; f < candidates_.size(); ++f) {
        const std::span<std::uint8_t> candidate(candidates_[f].data(), row.size());
        FilterRow(static_cast<PngFilter>(f), previous, row, bytesPerPixel, candidate);
        const std::uint64_t sum = SignedMagnitudeSum(candidate);
        if (sum >= bestSum) continue;
        bestSum = sum;
        best = static_cast<PngFilter>(f);
    }
    out[0] = static_cast<std::uint8_t>(best);
    const std::uint8_t* chosen = candidates_[static_cast<std::size_t>(best)].data();
    std::copy(chosen, chosen + row.size(), out.begin() + 1);
    return best;
}

}  // namespace vantrel::imaging
