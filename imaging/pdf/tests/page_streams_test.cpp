// Flate page streams decoded back, and the records for JPEG and Group 4 bytes.
#include "imaging/pdf/page_streams.h"

#include <gtest/gtest.h>

#include "imaging/png/tests/png_reading.h"
#include "imaging/png/tests/test_pages.h"

namespace vantrel::imaging {
namespace {

struct Shape {
    PixelFormat format;
    std::uint32_t width;
    std::uint32_t height;
    PdfColorSpace space;
    std::uint8_t bits;
};

TEST(PageStreams, FlateStreamsDecodeToTheSamplesWithAndWithoutPredictors) {
    const std::vector<Shape> shapes = {{PixelFormat::BlackWhite1, 29, 6, PdfColorSpace::DeviceGray, 1},
                                       {PixelFormat::Gray8, 31, 5, PdfColorSpace::DeviceGray, 8},
                                       {PixelFormat::Rgb24, 17, 9, PdfColorSpace::DeviceRGB, 8}};
    for (const Shape& s : shapes) {
        const auto owned = testing::MakePage(s.format, s.width, s.height, 3, testing::Content::Smooth, 5, 150, 75);
        const std::vector<std::uint8_t> samples = testing::ExpectedSamples(owned->page);
        const std::size_t rowBytes = samples.size() / s.height;
        for (const bool predictors : {false, true}) {
            const auto encoded = EncodeFlateImage(owned->page, {.zlibLevel = 6, .pngPredictors = predictors});
            ASSERT_TRUE(encoded);
            const PdfImage image = encoded->View();
            EXPECT_EQ(image.width, s.width);
            EXPECT_EQ(image.height, s.height);
            EXPECT_EQ(image.colorSpace, s.space);
            EXPECT_EQ(image.bitsPerComponent, s.bits);
            EXPECT_EQ(image.filter, PdfFilter::FlateDecode);
            EXPECT_EQ(image.pngPredictors, predictors);
            EXPECT_EQ(image.xDpi, 150);
            EXPECT_EQ(image.yDpi, 75);
            EXPECT_TRUE(IsDescribable(image));
            const auto inflated = testing::Inflate(image.bytes, samples.size() + (predictors ? s.height : 0));
            ASSERT_TRUE(inflated);
            if (!predictors) {
                EXPECT_EQ(*inflated, samples);
                continue;
            }
            EXPECT_EQ(testing::Unfilter(*inflated, rowBytes, s.format == PixelFormat::Rgb24 ? 3 : 1), samples);
        }
    }
}

TEST(PageStreams, RefusesWhatItCannotEncodeOrDescribe) {
    const auto gray = testing::MakePage(PixelFormat::Gray8, 8, 8);
    const auto bw = testing::MakePage(PixelFormat::BlackWhite1, 8, 8);
    PageImage broken = gray->page;
    broken.stride = 7;
    const std::vector<std::uint8_t> bytes = {1};
    EXPECT_FALSE(EncodeFlateImage(broken));
    EXPECT_FALSE(EncodeFlateImage(gray->page, {.zlibLevel = 11}));
    EXPECT_FALSE(DescribeJpeg(gray->page, {}));
    EXPECT_FALSE(DescribeJpeg(broken, bytes));
    EXPECT_FALSE(DescribeGroup4(gray->page, bytes));
    EXPECT_FALSE(DescribeGroup4(bw->page, {}));
}

TEST(PageStreams, JpegAndGroup4RecordsMatchTheirPages) {
    const auto rgb = testing::MakePage(PixelFormat::Rgb24, 8, 4, 0, testing::Content::Noise, 1, 300, 300);
    const auto bw = testing::MakePage(PixelFormat::BlackWhite1, 16, 2, 0, testing::Content::Noise, 1, 200, 200);
    const std::vector<std::uint8_t> bytes = {1, 2};
    const auto jpeg = DescribeJpeg(rgb->page, bytes);
    ASSERT_TRUE(jpeg);
    EXPECT_EQ(jpeg->filter, PdfFilter::DCTDecode);
    EXPECT_EQ(jpeg->colorSpace, PdfColorSpace::DeviceRGB);
    EXPECT_EQ(jpeg->bytes.data(), bytes.data());
    EXPECT_TRUE(IsDescribable(*jpeg));
    const auto bwJpeg = DescribeJpeg(bw->page, bytes);
    ASSERT_TRUE(bwJpeg);
    EXPECT_EQ(bwJpeg->colorSpace, PdfColorSpace::DeviceGray);
    EXPECT_EQ(bwJpeg->bitsPerComponent, 8);
    EXPECT_TRUE(IsDescribable(*bwJpeg));
    const auto g4 = DescribeGroup4(bw->page, bytes);
    ASSERT_TRUE(g4);
    EXPECT_EQ(g4->filter, PdfFilter::CCITTFaxDecode);
    EXPECT_EQ(g4->bitsPerComponent, 1);
    EXPECT_FALSE(g4->blackIs1);
    EXPECT_EQ(g4->width, 16u);
    EXPECT_TRUE(IsDescribable(*g4));
}

}  // namespace
}  // namespace vantrel::imaging
