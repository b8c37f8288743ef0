// The twips-to-pixels conversion and the design it is applied to.
#include "demo/layout.h"

#include <gtest/gtest.h>

namespace demo {
namespace {

struct Conversion {
    int twips;
    int dpi;
    int pixels;
};

TEST(Layout, TwipsBecomePixelsRoundedToTheNearest) {
    const Conversion cases[] = {
        {8055, 96, 537}, {6240, 96, 416}, {120, 96, 8},   {6015, 96, 401}, {6360, 96, 424}, {1575, 96, 105},
        {375, 96, 25},   {600, 96, 40},   {1080, 96, 72}, {8055, 144, 806}, {6240, 120, 520}, {7, 96, 0},
        {8, 96, 1},      {0, 192, 0},
    };
    for (const Conversion& c : cases)
        EXPECT_EQ(TwipsToPixels(c.twips, c.dpi), c.pixels) << c.twips << " twips at " << c.dpi << " dpi";
}

TEST(Layout, EveryControlFitsTheClientAreaAtCommonDpis) {
    for (const int dpi : {96, 120, 144, 192}) {
        const int width = TwipsToPixels(kClientWidthTwips, dpi);
        const int height = TwipsToPixels(kClientHeightTwips, dpi);
        const PixelRect picture = ToPixels(kPictureLayout.twips, dpi);
        for (const ControlLayout& control : kButtonLayouts) {
            const PixelRect r = ToPixels(control.twips, dpi);
            EXPECT_LE(r.left + r.width, width) << "dpi " << dpi;
            EXPECT_LE(r.top + r.height, height) << "dpi " << dpi;
            EXPECT_GE(r.left, picture.left + picture.width) << "buttons right of the picture, dpi " << dpi;
        }
        EXPECT_LE(picture.top + picture.height, height) << "dpi " << dpi;
    }
}

}  // namespace
}  // namespace demo
