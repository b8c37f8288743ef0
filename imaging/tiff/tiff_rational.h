// Resolutions as TIFF RATIONALs: two 32-bit unsigned terms, so fractional dots per inch survive.
#pragma once

#include <cstdint>
#include <optional>

namespace vantrel::imaging::tiff {

struct Rational {
    std::uint32_t numerator = 0;
    std::uint32_t denominator = 1;
    bool operator==(const Rational&) const = default;
};

// The fraction nearest `value` whose terms fit 32 bits, from its continued fraction (so 200.5 is 401/2 and 72.27
// is 7227/100). None for a value that is not finite and positive, or that rounds to 0 or past 2^32 - 1.
std::optional<Rational> ToRational(double value);

struct ResolutionFields {
    Rational x;
    Rational y;
    std::uint16_t unit;  // kUnitInch, or kUnitNone with 1/1 both ways when the page gave no resolution
};

// XResolution, YResolution and ResolutionUnit for a page. They are required fields, so a page without a
// resolution still gets them, as a unitless 1:1 aspect ratio rather than an invented 72 dpi; an axis without one
// takes the other's.
ResolutionFields ResolutionFor(double xDpi, double yDpi);

}  // namespace vantrel::imaging::tiff
