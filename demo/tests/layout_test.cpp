// The twips-to-pixels conversion and the design it is applied to.
#include "demo/layout.h"

#include <gtest/gtest.h>

namespace demo {
namespace {

TEST(Layout, TwipsBecomePixelsRoundedToTheNearestAndEveryControlFitsAtCommonDpis) {
    EXPECT_EQ(TwipsToPixels(8055, 96), 537);
    EXPECT_EQ(TwipsToPixels(8055, 144), 806);
    EXPECT_EQ(TwipsToPixels(7, 96), 0);
    EXPECT_EQ(TwipsToPixels(8, 96), 1);
    for (const int dpi : {96, 120, 144, 192}) {
        SCOPED_TRACE(dpi);
        const PixelRect picture = ToPixels(kPictureLayout.twips, dpi);
        EXPECT_LE(picture.top + picture.height, TwipsToPixels(kClientHeightTwips, dpi));
        for (const ControlLayout& control : kButtonLayouts) {
            const PixelRect r = ToPixels(control.twips, dpi);
            EXPECT_LE(r.left + r.width, TwipsToPixels(kClientWidthTwips, dpi));
            EXPECT_LE(r.top + r.height, TwipsToPixels(kClientHeightTwips, dpi));
            EXPECT_GE(r.left, picture.left + picture.width) << "buttons right of the picture";
        }
    }
}

}  // namespace
}  // namespace demo
