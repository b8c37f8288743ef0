// Horizontal differencing and the strip streams zlib makes of it.
#include "imaging/tiff/strip_deflater.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <vector>

#include "imaging/tiff/tests/sample_pages.h"

namespace vantrel::imaging::tiff {
namespace {

TEST(DifferenceRow, SubtractsTheSameSampleOfThePixelToTheLeft) {
    const struct {
        std::vector<std::uint8_t> row;
        std::uint32_t samples;
        std::vector<std::uint8_t> expected;
    } cases[] = {
        {{7}, 1, {7}},
        {{10, 12, 11, 0}, 1, {10, 2, 255, 245}},
        {{1, 2, 3, 4, 6, 8, 0, 0, 0}, 3, {1, 2, 3, 3, 4, 5, 252, 250, 248}},
        {{1, 2}, 3, {1, 2}},
    };
    for (const auto& c : cases) {
        std::vector<std::uint8_t> out(c.row.size());
        DifferenceRow(c.row, c.samples, out);
        EXPECT_EQ(out, c.expected);
    }
}

TEST(StripDeflater, EachStripIsACompleteStreamInBoundedPieces) {
    const auto owned = testing::SamplePage(PixelFormat::Rgb24, 900, 120, 1, testing::Samples::Noise, 3);
    StripDeflater deflater(1);
    ASSERT_TRUE(deflater.Ready());
    for (const bool predict : {false, true}) {
        std::vector<std::uint8_t> stream;
        std::size_t pieces = 0;
        ASSERT_TRUE(deflater.Compress(owned->page, 10, 100, predict, [&](std::span<const std::uint8_t> piece) {
            EXPECT_LE(piece.size(), 65536u);
            stream.insert(stream.end(), piece.begin(), piece.end());
            ++pieces;
            return true;
        }));
        EXPECT_GT(pieces, 1u);
        std::vector<std::uint8_t> rows(2700 * 100);
        uLongf size = static_cast<uLongf>(rows.size());
        ASSERT_EQ(uncompress(rows.data(), &size, stream.data(), static_cast<uLong>(stream.size())), Z_OK);
        ASSERT_EQ(size, rows.size());
        for (std::uint32_t y = 0; y < 100; ++y) {
            const auto source = owned->page.Row(10 + y);
            std::vector<std::uint8_t> expected(source.begin(), source.end());
            if (predict) DifferenceRow(source, 3, expected);
            EXPECT_TRUE(std::equal(expected.begin(), expected.end(), rows.begin() + 2700 * y)) << y;
        }
    }
}

TEST(StripDeflater, StopsWhenThePieceIsRefused) {
    const auto owned = testing::SamplePage(PixelFormat::Gray8, 1000, 200, 0, testing::Samples::Noise, 4);
    StripDeflater deflater(6);
    int calls = 0;
    EXPECT_FALSE(deflater.Compress(owned->page, 0, 200, false, [&](std::span<const std::uint8_t>) { return ++calls < 2; }));
    EXPECT_EQ(calls, 2);
    EXPECT_FALSE(StripDeflater(10).Ready());
}

}  // namespace
}  // namespace vantrel::imaging::tiff
