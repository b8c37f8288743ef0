// The progress lines' page descriptions: paper by its measured size, resolution, colour.
#include "cli/vantrel-scan/page_description.h"

#include <gtest/gtest.h>

namespace {

using vantrel::imaging::PageImage;
using vantrel::imaging::PixelFormat;
using vantrel::scan::DescribePage;

PageImage Page(std::uint32_t width, std::uint32_t height, double dpi, PixelFormat format) {
    PageImage page;
    page.width = width;
    page.height = height;
    page.xDpi = page.yDpi = dpi;
    page.format = format;
    return page;
}

TEST(PageDescription, PaperResolutionAndMode) {
    EXPECT_EQ(DescribePage(Page(2480, 3508, 300, PixelFormat::Gray8)), L"A4, 300 dpi, grey");
    EXPECT_EQ(DescribePage(Page(1700, 2200, 200, PixelFormat::Rgb24)), L"Letter, 200 dpi, colour");
    EXPECT_EQ(DescribePage(Page(1400, 850, 100, PixelFormat::BlackWhite1)), L"Legal landscape, 100 dpi, black and white");
    EXPECT_EQ(DescribePage(Page(400, 300, 100, PixelFormat::Rgb24)), L"400 x 300 pixels, 100 dpi, colour");
    EXPECT_EQ(DescribePage(Page(400, 300, 0, PixelFormat::Gray8)), L"400 x 300 pixels, grey") << "no resolution given";
    PageImage uneven = Page(850, 2200, 100, PixelFormat::Gray8);
    uneven.yDpi = 200;
    EXPECT_EQ(DescribePage(uneven), L"Letter, 100 x 200 dpi, grey");
}

}  // namespace
