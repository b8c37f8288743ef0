// Streaming deflate of a page's rows: piece sizes, plain and filtered rows, and stopping on refusal.
#include "imaging/png/row_deflater.h"

#include <gtest/gtest.h>

#include <vector>

#include "imaging/png/tests/png_reading.h"
#include "imaging/png/tests/test_pages.h"

namespace vantrel::imaging {
namespace {

struct Collected {
    std::vector<std::uint8_t> stream;
    std::vector<std::size_t> pieces;
};

std::optional<Collected> Collect(const PageImage& page, const RowDeflateOptions& options) {
    Collected out;
    const bool ok = DeflateRows(page, options, [&out](std::span<const std::uint8_t> piece) {
        out.pieces.push_back(piece.size());
        out.stream.insert(out.stream.end(), piece.begin(), piece.end());
        return true;
    });
    if (!ok) return std::nullopt;
    return out;
}

TEST(RowDeflater, PlainRowsAreTheSamplesThemselves) {
    const auto owned = testing::MakePage(PixelFormat::BlackWhite1, 21, 9, 2);
    const auto out = Collect(owned->page, {.level = 6, .pngFilters = false});
    ASSERT_TRUE(out);
    const std::vector<std::uint8_t> expected = testing::ExpectedSamples(owned->page);
    EXPECT_EQ(testing::Inflate(out->stream, expected.size()), expected);
}

TEST(RowDeflater, FilteredRowsUnfilterToTheSamples) {
    for (const int level : {0, 1, 9}) {
        const auto owned = testing::MakePage(PixelFormat::Rgb24, 33, 17, 1, testing::Content::Smooth);
        const auto out = Collect(owned->page, {.level = level, .pngFilters = true});
        ASSERT_TRUE(out);
        const auto filtered = testing::Inflate(out->stream, (33 * 3 + 1) * 17);
        ASSERT_TRUE(filtered) << "level " << level;
        EXPECT_EQ(testing::Unfilter(*filtered, 33 * 3, 3), testing::ExpectedSamples(owned->page)) << "level " << level;
    }
}

TEST(RowDeflater, PiecesAreFullUpToTheLast) {
    const auto owned = testing::MakePage(PixelFormat::Gray8, 200, 50);
    const auto out = Collect(owned->page, {.level = 1, .pngFilters = true, .pieceBytes = 1000});
    ASSERT_TRUE(out);
    ASSERT_GE(out->pieces.size(), 5u);
    for (std::size_t i = 0; i + 1 < out->pieces.size(); ++i) EXPECT_EQ(out->pieces[i], 1000u);
    EXPECT_GT(out->pieces.back(), 0u);
    EXPECT_LE(out->pieces.back(), 1000u);
}

TEST(RowDeflater, StopsAtTheFirstRefusedPiece) {
    const auto owned = testing::MakePage(PixelFormat::Gray8, 200, 50);
    int calls = 0;
    const bool ok = DeflateRows(owned->page, {.level = 1, .pieceBytes = 100}, [&calls](std::span<const std::uint8_t>) {
        ++calls;
        return calls < 3;
    });
    EXPECT_FALSE(ok);
    EXPECT_EQ(calls, 3);
}

TEST(RowDeflater, RefusesBadOptions) {
    const auto owned = testing::MakePage(PixelFormat::Gray8, 4, 4);
    EXPECT_FALSE(Collect(owned->page, {.level = 10}));
    EXPECT_FALSE(Collect(owned->page, {.level = -2}));
    EXPECT_FALSE(Collect(owned->page, {.pieceBytes = 0}));
    EXPECT_TRUE(Collect(owned->page, {.pieceBytes = 1}));
}

}  // namespace
}  // namespace vantrel::imaging
