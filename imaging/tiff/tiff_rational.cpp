// Continued-fraction approximation of resolutions, and the resolution fields of a page.
#include "imaging/tiff/tiff_rational.h"

#include <cmath>
#include <limits>

#include "imaging/tiff/tiff_tags.h"

namespace vantrel::imaging::tiff {

std::optional<Rational> ToRational(double value) {
    constexpr double kLargest = std::numeric_limits<std::uint32_t>::max();
    if (!std::isfinite(value) || value <= 0 || value >= kLargest + 0.5) return std::nullopt;
    // Convergents h/k of the continued fraction, each the best approximation for its denominator's size.
    std::uint64_t h0 = 0, h1 = 1, k0 = 1, k1 = 0;
    double rest = value;
    for (int term = 0; term < 64; ++term) {
        const double whole = std::floor(rest);
        if (whole > kLargest) break;
        const auto a = static_cast<std::uint64_t>(whole);
        const std::uint64_t h2 = a * h1 + h0;
        const std::uint64_t k2 = a * k1 + k0;
        if (h2 > kLargest || k2 > kLargest) break;
        h0 = h1, h1 = h2, k0 = k1, k1 = k2;
        const double fraction = rest - whole;
        if (std::fabs(value - static_cast<double>(h1) / static_cast<double>(k1)) <= value * 1e-12 || fraction <= 0) break;
        rest = 1 / fraction;
    }
    // The first term always fits (value < 2^32 - 0.5); a numerator of 0 means the value is below 1 / (2^32 - 1).
    if (h1 == 0) return std::nullopt;
    return Rational{static_cast<std::uint32_t>(h1), static_cast<std::uint32_t>(k1)};
}

ResolutionFields ResolutionFor(double xDpi, double yDpi) {
    auto x = ToRational(xDpi);
    auto y = ToRational(yDpi);
    if (!x) x = y;
    if (!y) y = x;
    if (!x) return {Rational{1, 1}, Rational{1, 1}, kUnitNone};
    return {*x, *y, kUnitInch};
}

}  // namespace vantrel::imaging::tiff
