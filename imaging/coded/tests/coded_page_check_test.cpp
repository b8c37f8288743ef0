// A scanner's coded page checked against the page it described.
#include "imaging/coded/coded_page_check.h"

#include <gtest/gtest.h>

#include "imaging/g4/group4_encoder.h"
#include "imaging/jpeg/jpeg_encoder.h"
#include "imaging/tests/test_pages.h"

namespace vantrel::imaging {
namespace {

using testing::Content;

TEST(CheckCodedPage, TakesThePageItClaimsAndNamesWhatDiffers) {
    const auto colour = testing::SamplePage(PixelFormat::Rgb24, 40, 30, 0, Content::Smooth, 1);
    const auto grey = testing::SamplePage(PixelFormat::Gray8, 40, 30, 0, Content::Smooth, 2);
    const auto bw = testing::SamplePage(PixelFormat::BlackWhite1, 40, 30, 0, Content::Smooth, 3);
    const auto colourJpeg = EncodeJpeg(colour->page);
    const auto greyJpeg = EncodeJpeg(grey->page);
    const auto g4 = EncodeGroup4(bw->page);
    const std::vector<std::uint8_t> cut(colourJpeg.begin(), colourJpeg.begin() + static_cast<long>(colourJpeg.size() / 2));
    const struct {
        const char* what;
        PageCoding coding;
        PixelFormat format;
        std::uint32_t width, height;
        std::span<const std::uint8_t> bytes;
        const char* words;  // in the cause; nullptr: taken
    } cases[] = {
        {"colour JPEG", PageCoding::Jpeg, PixelFormat::Rgb24, 40, 30, colourJpeg, nullptr},
        {"grey JPEG", PageCoding::Jpeg, PixelFormat::Gray8, 40, 30, greyJpeg, nullptr},
        {"JPEG cut short", PageCoding::Jpeg, PixelFormat::Rgb24, 40, 30, cut, "not a complete baseline JPEG"},
        {"JPEG of another size", PageCoding::Jpeg, PixelFormat::Rgb24, 40, 31, colourJpeg, "40 x 30 pixels with 3 components, the page 40 x 31"},
        {"grey JPEG for a colour page", PageCoding::Jpeg, PixelFormat::Rgb24, 40, 30, greyJpeg, "with 1 components"},
        {"JPEG for a 1-bit page", PageCoding::Jpeg, PixelFormat::BlackWhite1, 40, 30, greyJpeg, "1-bit page cannot be a JPEG"},
        {"Group 4", PageCoding::Group4, PixelFormat::BlackWhite1, 40, 30, g4, nullptr},
        {"Group 4 of another size", PageCoding::Group4, PixelFormat::BlackWhite1, 40, 29, g4, "does not decode to 40 x 29"},
        {"Group 4 for a grey page", PageCoding::Group4, PixelFormat::Gray8, 40, 30, g4, "only be a 1-bit page"},
    };
    for (const auto& c : cases) {
        const std::string cause = CheckCodedPage({c.width, c.height, c.format, 0, 0, c.coding, c.bytes});
        if (!c.words) EXPECT_EQ(cause, "") << c.what;
        else EXPECT_NE(cause.find(c.words), std::string::npos) << c.what << ": " << cause;
    }
}

}  // namespace
}  // namespace vantrel::imaging
