// What the round trips (libtiff, poppler, the fuzz target) cannot show: the pages the encoder refuses.
#include "imaging/g4/group4_encoder.h"

#include <gtest/gtest.h>

#include "imaging/tests/test_pages.h"

namespace vantrel::imaging {
namespace {

TEST(Group4Encoder, RefusesPagesItCannotCode) {
    const auto owned = testing::RandomPage(20, 3, 1, 9);
    PageImage grey = owned->page;
    grey.format = PixelFormat::Gray8;
    PageImage noWidth = owned->page;
    noWidth.width = 0;
    PageImage narrowStride = owned->page;
    narrowStride.stride = 2;
    PageImage shortPixels = owned->page;
    shortPixels.pixels = shortPixels.pixels.first(shortPixels.pixels.size() - 1 - 1);
    for (const PageImage& page : {grey, noWidth, narrowStride, shortPixels}) EXPECT_TRUE(EncodeGroup4(page).empty());
    // The last row needs only its own bytes, not a whole stride.
    PageImage exact = owned->page;
    exact.pixels = exact.pixels.first(exact.pixels.size() - 1);
    EXPECT_EQ(EncodeGroup4(exact), EncodeGroup4(owned->page));
}

}  // namespace
}  // namespace vantrel::imaging
