// The fast DCT against the DCT's defining sum (A.3.3), and quantisation's rounding, order and limits.
#include "imaging/jpeg/forward_dct.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>

namespace vantrel::imaging::jpeg {
namespace {

// F(u,v) = 1/4 C(u) C(v) sum over x, y of s(y,x) cos((2x+1) u pi/16) cos((2y+1) v pi/16),
// with u the horizontal frequency; natural index = v * 8 + u.
std::array<double, 64> DefiningSum(const SampleBlock& samples) {
    std::array<double, 64> out{};
    for (int v = 0; v < 8; ++v)
        for (int u = 0; u < 8; ++u) {
            double sum = 0;
            for (int y = 0; y < 8; ++y)
                for (int x = 0; x < 8; ++x)
                    sum += samples[static_cast<std::size_t>(y * 8 + x)] * std::cos((2 * x + 1) * u * std::numbers::pi / 16) *
                           std::cos((2 * y + 1) * v * std::numbers::pi / 16);
            const double cu = u == 0 ? std::numbers::sqrt2 / 2 : 1, cv = v == 0 ? std::numbers::sqrt2 / 2 : 1;
            out[static_cast<std::size_t>(v * 8 + u)] = 0.25 * cu * cv * sum;
        }
    return out;
}

SampleBlock Pattern(const std::string& name) {
    SampleBlock block{};
    std::uint32_t seed = 12345;
    for (std::size_t i = 0; i < 64; ++i) {
        const int x = static_cast<int>(i % 8), y = static_cast<int>(i / 8);
        if (name == "flat black") block[i] = -128;
        if (name == "flat white") block[i] = 127;
        if (name == "checkerboard") block[i] = (x + y) % 2 ? 127.0f : -128.0f;
        if (name == "vertical edge") block[i] = x < 3 ? -100.0f : 90.0f;
        if (name == "horizontal ramp") block[i] = static_cast<float>(y * 30 - 105);
        if (name == "impulse") block[i] = i == 19 ? 127.0f : 0.0f;
        if (name == "noise") {
            seed = seed * 1103515245u + 12345u;
            block[i] = static_cast<float>(seed >> 16 & 0xFF) - 128.0f;
        }
    }
    return block;
}

TEST(ForwardDct, MatchesTheDefiningSumOnceScaled) {
    for (const char* name : {"flat black", "flat white", "checkerboard", "vertical edge", "horizontal ramp", "impulse", "noise"}) {
        SampleBlock block = Pattern(name);
        const auto expected = DefiningSum(block);
        ForwardDct(block);
        for (int n = 0; n < 64; ++n)
            EXPECT_NEAR(block[static_cast<std::size_t>(n)] / DctOutputScale(n), expected[static_cast<std::size_t>(n)], 0.01)
                << name << " coefficient " << n;
    }
}

// Coefficients placed so each natural index n holds value(n) after scaling, quantised by all-ones.
TEST(ForwardDct, QuantizeRoundsAndReordersToZigzag) {
    QuantTable ones{};
    ones.fill(1);
    QuantTable fours{};
    fours.fill(4);
    // Never near a half, nor after dividing by 4, so the rounding direction is not in doubt.
    const auto value = [](int n) { return (n % 2 ? -1.0 : 1.0) * (n * 2.25 + 0.1); };
    SampleBlock scaled{};
    for (int n = 0; n < 64; ++n) scaled[static_cast<std::size_t>(n)] = static_cast<float>(value(n) * DctOutputScale(n));
    CoefficientBlock out{};
    Quantize(scaled, MakeQuantMultipliers(ones), out);
    for (std::size_t k = 0; k < 64; ++k) EXPECT_EQ(out[k], std::lround(value(kZigzagToNatural[k]))) << "zig-zag " << k;
    Quantize(scaled, MakeQuantMultipliers(fours), out);
    for (std::size_t k = 0; k < 64; ++k) EXPECT_EQ(out[k], std::lround(value(kZigzagToNatural[k]) / 4)) << "zig-zag " << k;
}

TEST(ForwardDct, QuantizeHoldsValuesToWhatBaselineCodes) {
    QuantTable ones{};
    ones.fill(1);
    const struct { float dc, ac; int expectedDc, expectedAc; } cases[] = {
        {3000, 3000, 1023, 1023},
        {-3000, -3000, -1024, -1023},
        {-1024, 1023, -1024, 1023},
    };
    for (const auto& c : cases) {
        SampleBlock scaled{};
        scaled[0] = c.dc * DctOutputScale(0);
        scaled[9] = c.ac * DctOutputScale(9);
        CoefficientBlock out{};
        Quantize(scaled, MakeQuantMultipliers(ones), out);
        EXPECT_EQ(out[0], c.expectedDc) << c.dc;
        EXPECT_EQ(out[4], c.expectedAc) << c.ac;  // natural 9 is zig-zag 4
    }
}

}  // namespace
}  // namespace vantrel::imaging::jpeg
