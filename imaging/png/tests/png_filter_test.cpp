// PNG row filters: each filter undone by an independent unfilter, and the adaptive choice on crafted rows.
#include "imaging/png/png_filter.h"

#include <gtest/gtest.h>

#include <vector>

#include "imaging/png/tests/png_reading.h"

namespace vantrel::imaging {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Noise(std::size_t n, std::uint32_t seed) {
    Bytes out(n);
    for (std::uint8_t& b : out) {
        seed = seed * 1103515245u + 12345u;
        b = static_cast<std::uint8_t>(seed >> 16);
    }
    return out;
}

TEST(PngFilter, EveryFilterIsUndoneByTheDecoderRule) {
    for (const std::uint32_t bpp : {1u, 3u}) {
        for (const std::size_t n : {std::size_t{1}, std::size_t{2}, std::size_t{3}, std::size_t{10}, std::size_t{301}}) {
            const Bytes previous = Noise(n, 1), row = Noise(n, 2);
            for (std::uint8_t f = 0; f <= 4; ++f) {
                // Unfilter both rows as a decoder would: the first against zeros, the second against the first.
                Bytes stream(2 * (n + 1));
                FilterRow(static_cast<PngFilter>(f), Bytes(n, 0), previous, bpp, std::span(stream).subspan(1, n));
                FilterRow(static_cast<PngFilter>(f), previous, row, bpp, std::span(stream).subspan(n + 2, n));
                stream[0] = stream[n + 1] = f;
                Bytes expected = previous;
                expected.insert(expected.end(), row.begin(), row.end());
                EXPECT_EQ(testing::Unfilter(stream, n, bpp), expected) << "filter " << int{f} << " bpp " << bpp << " n " << n;
            }
        }
    }
}

TEST(PngFilter, SignedMagnitudeReadsHighBytesAsNegative) {
    EXPECT_EQ(SignedMagnitudeSum(Bytes{0, 1, 127, 128, 255}), 0u + 1 + 127 + 128 + 1);
}

struct Crafted {
    const char* name;
    Bytes previous;
    Bytes row;
    std::uint32_t bpp;
    PngFilter expected;
};

std::vector<Crafted> CraftedRows() {
    std::vector<Crafted> cases;
    cases.push_back({"all zero: every filter ties, the lowest wins", Bytes(16, 0), Bytes(16, 0), 1, PngFilter::None});
    cases.push_back({"small values beat any difference", Bytes(8, 200), Bytes{1, 0, 1, 0, 1, 0, 1, 0}, 1, PngFilter::None});
    cases.push_back({"flat row of 90 under zeros", Bytes(32, 0), Bytes(32, 90), 1, PngFilter::Sub});
    const Bytes noise = Noise(64, 9);
    cases.push_back({"a copy of the row above", noise, noise, 1, PngFilter::Up});
    // Each byte halfway between its left neighbour and the byte above: only Average predicts it.
    Bytes halfway(24);
    int value = 0;
    for (std::uint8_t& b : halfway) {
        b = static_cast<std::uint8_t>(value);
        value = (value + 200) / 2;
    }
    cases.push_back({"halfway between left and above", Bytes(24, 200), halfway, 1, PngFilter::Average});
    // Left half continues the row above, right half is flat (on a flat part above): Up fits one half,
    // Sub the other, Paeth both.
    Bytes above = Noise(40, 5), mixed = above;
    for (std::size_t i = 20; i < 40; ++i) {
        above[i] = 30;
        mixed[i] = 77;
    }
    cases.push_back({"vertical detail left, flat right", above, mixed, 1, PngFilter::Paeth});
    // RGB pixels repeating with a period of 3 bytes: Sub only when it looks one whole pixel back.
    Bytes rgb;
    for (int i = 0; i < 20; ++i) rgb.insert(rgb.end(), {10, 140, 250});
    cases.push_back({"repeating RGB pixel", Bytes(rgb.size(), 0), rgb, 3, PngFilter::Sub});
    return cases;
}

TEST(PngFilter, AdaptiveChoiceOnCraftedRows) {
    for (const Crafted& c : CraftedRows()) {
        AdaptiveRowFilter filter(c.row.size());
        Bytes out(c.row.size() + 1);
        EXPECT_EQ(filter.Filter(c.previous, c.row, c.bpp, out), c.expected) << c.name;
        EXPECT_EQ(out[0], static_cast<std::uint8_t>(c.expected)) << c.name;
        Bytes direct(c.row.size());
        FilterRow(c.expected, c.previous, c.row, c.bpp, direct);
        EXPECT_TRUE(std::equal(direct.begin(), direct.end(), out.begin() + 1)) << c.name;
    }
}

}  // namespace
}  // namespace vantrel::imaging
