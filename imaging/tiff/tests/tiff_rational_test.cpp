// Resolutions to RATIONALs, and the fields a page's resolution gives.
#include "imaging/tiff/tiff_rational.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "imaging/tiff/tiff_tags.h"

namespace vantrel::imaging::tiff {
namespace {

TEST(ToRational, ExactForWholeAndDecimalResolutions) {
    const struct {
        double value;
        Rational expected;
    } cases[] = {
        {300, {300, 1}},   {72, {72, 1}},         {200.5, {401, 2}},  {100.25, {401, 4}}, {72.27, {7227, 100}},
        {0.5, {1, 2}},     {1.0 / 3, {1, 3}},     {118.11, {11811, 100}}, {4294967295.0, {4294967295u, 1}},
    };
    for (const auto& c : cases) EXPECT_EQ(ToRational(c.value), c.expected) << c.value;
}

TEST(ToRational, NearestFractionWhenNotExact) {
    for (const double value : {std::acos(-1.0) * 100, 299.999999, 1e-9, 12345.6789}) {
        const auto r = ToRational(value);
        ASSERT_TRUE(r.has_value()) << value;
        EXPECT_NEAR(static_cast<double>(r->numerator) / r->denominator, value, value * 1e-9) << value;
    }
}

TEST(ToRational, NoneForValuesWithoutAFraction) {
    for (const double value : {0.0, -300.0, 1e-12, 4294967296.0, std::numeric_limits<double>::infinity(),
                               std::numeric_limits<double>::quiet_NaN()}) {
        EXPECT_FALSE(ToRational(value).has_value()) << value;
    }
}

TEST(ResolutionFor, AMissingAxisTakesTheOtherAndNoneIsUnitless) {
    const struct {
        double x, y;
        Rational expectedX, expectedY;
        std::uint16_t unit;
    } cases[] = {
        {300, 300, {300, 1}, {300, 1}, kUnitInch},
        {200, 100, {200, 1}, {100, 1}, kUnitInch},
        {96, 0, {96, 1}, {96, 1}, kUnitInch},
        {std::numeric_limits<double>::quiet_NaN(), 150.5, {301, 2}, {301, 2}, kUnitInch},
        {0, 0, {1, 1}, {1, 1}, kUnitNone},
        {-1, 1e300, {1, 1}, {1, 1}, kUnitNone},
    };
    for (const auto& c : cases) {
        const ResolutionFields fields = ResolutionFor(c.x, c.y);
        EXPECT_EQ(fields.x, c.expectedX) << c.x << " " << c.y;
        EXPECT_EQ(fields.y, c.expectedY) << c.x << " " << c.y;
        EXPECT_EQ(fields.unit, c.unit) << c.x << " " << c.y;
    }
}

}  // namespace
}  // namespace vantrel::imaging::tiff
