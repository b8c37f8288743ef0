// Whole TIFF files read back field by field and strip by strip: layout rules, every page's pixels, and refusals.
#include "imaging/tiff/tiff_writer.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <string>
#include <vector>

#include "imaging/tiff/tests/failing_sink.h"
#include "imaging/g4/tests/group4_test_decoder.h"
#include "imaging/tiff/tests/sample_pages.h"
#include "imaging/tiff/tests/tiff_reading.h"
#include "imaging/tiff/tiff_tags.h"

namespace vantrel::imaging {
namespace {

using namespace tiff;
using testing::TiffPage;

std::vector<TiffPage> ReadBack(const std::vector<std::uint8_t>& file) {
    std::string why;
    auto pages = testing::ReadTiff(file, &why);
    EXPECT_TRUE(pages.has_value()) << why;
    return pages.value_or(std::vector<TiffPage>{});
}

std::vector<std::uint8_t> Inflate(const std::vector<std::uint8_t>& stream, std::size_t expected) {
    std::vector<std::uint8_t> out(expected + 1);
    uLongf size = static_cast<uLongf>(out.size());
    if (uncompress(out.data(), &size, stream.data(), static_cast<uLong>(stream.size())) != Z_OK) return {};
    out.resize(size);
    return out;
}

// A page's rows as its strips decode, whatever their compression, undoing the predictor.
std::vector<std::uint8_t> DecodePage(const std::vector<std::uint8_t>& file, const TiffPage& page) {
    const std::uint32_t width = page.Number(kImageWidth), height = page.Number(kImageLength);
    const std::uint32_t samples = page.Number(kSamplesPerPixel);
    const std::size_t rowBytes = (std::size_t{width} * samples * page.Number(kBitsPerSample) + 7) / 8;
    if (page.Number(kCompression) == kCompressionGroup4) {
        return testing::DecodeGroup4(testing::StripBytes(file, page, 0), width, height).value_or(std::vector<std::uint8_t>{});
    }
    std::vector<std::uint8_t> rows;
    const std::uint32_t rowsPerStrip = page.Number(kRowsPerStrip);
    for (std::size_t s = 0; s < page.fields.at(kStripOffsets).count; ++s) {
        const std::size_t stripRows = std::min<std::size_t>(rowsPerStrip, height - s * rowsPerStrip);
        auto strip = testing::StripBytes(file, page, s);
        if (page.Number(kCompression) == kCompressionAdobeDeflate) strip = Inflate(strip, stripRows * rowBytes);
        EXPECT_EQ(strip.size(), stripRows * rowBytes) << "strip " << s;
        if (page.Has(kPredictor)) {
            for (std::size_t i = 0; i < strip.size(); ++i) {
                if (i % rowBytes >= samples) strip[i] = static_cast<std::uint8_t>(strip[i] + strip[i - samples]);
            }
        }
        rows.insert(rows.end(), strip.begin(), strip.end());
    }
    return rows;
}

std::vector<std::uint8_t> PackedRows(const PageImage& page) {
    if (page.format == PixelFormat::BlackWhite1) return testing::PackedRows(page);
    std::vector<std::uint8_t> rows;
    for (std::uint32_t y = 0; y < page.height; ++y) rows.insert(rows.end(), page.Row(y).begin(), page.Row(y).end());
    return rows;
}

TEST(TiffWriter, PagesAreLinkedNumberedAndCarryTheirFields) {
    const auto bitonal = testing::RandomPage(333, 40, 1, 3);
    const auto grey = testing::SamplePage(PixelFormat::Gray8, 301, 250, 3, testing::Samples::Smooth, 4, 300, 300);
    const auto colour = testing::SamplePage(PixelFormat::Rgb24, 97, 31, 2, testing::Samples::Smooth, 5, 200.5, 100.25);
    MemorySink sink;
    TiffWriter writer(sink);
    ASSERT_TRUE(writer.AddPage(bitonal->page));
    ASSERT_TRUE(writer.AddPage(grey->page));
    ASSERT_TRUE(writer.AddPage(colour->page, {.predictor = TiffPredictor::None}));
    ASSERT_TRUE(writer.Finish());
    EXPECT_EQ(writer.PageCount(), 3u);
    const auto pages = ReadBack(sink.Data());
    ASSERT_EQ(pages.size(), 3u);
    struct Expected {
        std::uint16_t compression, photometric, samples, bits;
        std::vector<std::uint32_t> resolution;  // x and y as numerator, denominator
        std::uint16_t unit;
    };
    const Expected expected[] = {
        {kCompressionGroup4, kWhiteIsZero, 1, 1, {1, 1, 1, 1}, kUnitNone},
        {kCompressionAdobeDeflate, kBlackIsZero, 1, 8, {300, 1, 300, 1}, kUnitInch},
        {kCompressionAdobeDeflate, kRgb, 3, 8, {401, 2, 401, 4}, kUnitInch},
    };
    for (std::size_t i = 0; i < 3; ++i) {
        const TiffPage& page = pages[i];
        const Expected& e = expected[i];
        EXPECT_EQ(page.Number(kNewSubfileType), kSubfilePage);
        EXPECT_EQ(page.Number(kCompression), e.compression) << i;
        EXPECT_EQ(page.Number(kPhotometricInterpretation), e.photometric) << i;
        EXPECT_EQ(page.Number(kSamplesPerPixel), e.samples) << i;
        EXPECT_EQ(page.fields.at(kBitsPerSample).numbers, std::vector<std::uint32_t>(e.samples, e.bits)) << i;
        EXPECT_EQ(page.fields.at(kXResolution).numbers, std::vector<std::uint32_t>(e.resolution.begin(), e.resolution.begin() + 2));
        EXPECT_EQ(page.fields.at(kYResolution).numbers, std::vector<std::uint32_t>(e.resolution.begin() + 2, e.resolution.end()));
        EXPECT_EQ(page.Number(kResolutionUnit), e.unit) << i;
        EXPECT_EQ(page.fields.at(kPageNumber).numbers, (std::vector<std::uint32_t>{static_cast<std::uint32_t>(i), 3})) << i;
        EXPECT_EQ(page.fields.at(kSoftware).text, std::string("Vantrel", 8)) << i;
        EXPECT_EQ(page.Has(kPlanarConfiguration), e.samples == 3) << i;
        for (const std::uint16_t required : {kImageWidth, kImageLength, kStripOffsets, kRowsPerStrip, kStripByteCounts}) {
            EXPECT_TRUE(page.Has(required)) << i << " " << required;
        }
    }
    EXPECT_FALSE(pages[2].Has(kPredictor));
    EXPECT_EQ(DecodePage(sink.Data(), pages[0]), PackedRows(bitonal->page));
    EXPECT_EQ(DecodePage(sink.Data(), pages[1]), PackedRows(grey->page));
    EXPECT_EQ(DecodePage(sink.Data(), pages[2]), PackedRows(colour->page));
}

TEST(TiffWriter, EveryCompressionAndPredictorDecodesToThePage) {
    struct Case {
        PixelFormat format;
        std::uint32_t width, height, padding;
        TiffPageOptions options;
        std::uint16_t compression;
    };
    const TiffPageOptions none{.compression = TiffCompression::None};
    const TiffPageOptions predicted{.predictor = TiffPredictor::Horizontal, .zlibLevel = 9};
    const TiffPageOptions stored{.predictor = TiffPredictor::None, .zlibLevel = 0};
    const std::vector<Case> cases = {
        {PixelFormat::BlackWhite1, 1, 1, 0, {}, kCompressionGroup4},
        {PixelFormat::BlackWhite1, 10001, 3, 3, {}, kCompressionGroup4},
        {PixelFormat::BlackWhite1, 13, 70000, 1, none, kCompressionNone},
        {PixelFormat::Gray8, 1, 1, 0, {}, kCompressionAdobeDeflate},
        {PixelFormat::Gray8, 1000, 300, 1, predicted, kCompressionAdobeDeflate},
        {PixelFormat::Gray8, 70000, 3, 0, stored, kCompressionAdobeDeflate},
        {PixelFormat::Gray8, 999, 150, 2, none, kCompressionNone},
        {PixelFormat::Rgb24, 1, 2, 1, predicted, kCompressionAdobeDeflate},
        {PixelFormat::Rgb24, 333, 200, 1, {}, kCompressionAdobeDeflate},
        {PixelFormat::Rgb24, 50, 500, 0, none, kCompressionNone},
    };
    for (const Case& c : cases) {
        const auto owned = c.format == PixelFormat::BlackWhite1
                               ? nullptr
                               : testing::SamplePage(c.format, c.width, c.height, c.padding, testing::Samples::Smooth, c.width);
        const auto bitonal = c.format == PixelFormat::BlackWhite1 ? testing::RandomPage(c.width, c.height, c.padding, c.height) : nullptr;
        const PageImage& page = owned ? owned->page : bitonal->page;
        MemorySink sink;
        TiffWriter writer(sink);
        ASSERT_TRUE(writer.AddPage(page, c.options)) << c.width << "x" << c.height << " " << Describe(writer.Error());
        ASSERT_TRUE(writer.Finish());
        const auto pages = ReadBack(sink.Data());
        ASSERT_EQ(pages.size(), 1u);
        EXPECT_EQ(pages[0].Number(kCompression), c.compression) << c.width << "x" << c.height;
        // About 64 KB of rows per strip, except Group 4's single strip.
        const std::uint64_t rowBytes = MinimumStride(c.format, c.width);
        const std::uint32_t rowsPerStrip = c.compression == kCompressionGroup4
                                               ? c.height
                                               : static_cast<std::uint32_t>(std::clamp<std::uint64_t>(65536 / rowBytes, 1, c.height));
        EXPECT_EQ(pages[0].Number(kRowsPerStrip), rowsPerStrip) << c.width << "x" << c.height;
        EXPECT_EQ(pages[0].fields.at(kStripOffsets).count, (c.height + rowsPerStrip - 1) / rowsPerStrip);
        if (c.options.predictor != TiffPredictor::Automatic || c.compression != kCompressionAdobeDeflate) {
            EXPECT_EQ(pages[0].Has(kPredictor), c.options.predictor == TiffPredictor::Horizontal && c.compression == kCompressionAdobeDeflate);
        }
        EXPECT_TRUE(DecodePage(sink.Data(), pages[0]) == PackedRows(page)) << c.width << "x" << c.height;
    }
}

TEST(TiffWriter, PredictorIsChosenWhereItHelps) {
    const auto smooth = testing::SamplePage(PixelFormat::Rgb24, 640, 200, 0, testing::Samples::Smooth, 1);
    const auto twoLevel = testing::SamplePage(PixelFormat::Gray8, 640, 200, 0, testing::Samples::TwoLevel, 1);
    for (const auto* owned : {smooth.get(), twoLevel.get()}) {
        MemorySink sink;
        TiffWriter writer(sink);
        ASSERT_TRUE(writer.AddPage(owned->page) && writer.Finish());
        const auto pages = ReadBack(sink.Data());
        ASSERT_EQ(pages.size(), 1u);
        EXPECT_EQ(pages[0].Has(kPredictor), owned == smooth.get());
        EXPECT_EQ(DecodePage(sink.Data(), pages[0]), PackedRows(owned->page));
    }
}

TEST(TiffWriter, JpegPagesAreStoredAsGivenWithTheirFields) {
    // Only the frame header matters to the writer; the rest of a real stream is carried over unread.
    const auto stream = [](std::uint8_t components, std::uint8_t lumaFactors) {
        std::vector<std::uint8_t> jpeg = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x04, 'J', 'F', 0xFF, 0xC0,
                                          0x00, static_cast<std::uint8_t>(8 + 3 * components), 8, 0x00, 0x10, 0x00, 0x20, components};
        for (std::uint8_t c = 0; c < components; ++c) jpeg.insert(jpeg.end(), {static_cast<std::uint8_t>(c + 1), c == 0 ? lumaFactors : std::uint8_t{0x11}, 0});
        jpeg.insert(jpeg.end(), {0xFF, 0xDA, 0x12, 0x34, 0xFF, 0xD9});
        return jpeg;
    };
    const auto colour = stream(3, 0x22);
    const auto grey = stream(1, 0x11);
    MemorySink sink;
    TiffWriter writer(sink);
    ASSERT_TRUE(writer.AddJpegPage(colour, {.width = 32, .height = 16, .colour = true, .xDpi = 150, .yDpi = 150}));
    ASSERT_TRUE(writer.AddJpegPage(grey, {.width = 32, .height = 16, .colour = false}));
    const JpegPageInfo refused[] = {
        {.width = 31, .height = 16},                                     // not the frame's width
        {.width = 32, .height = 16, .subsamplingX = 2, .subsamplingY = 1},  // not the frame's factors
        {.width = 32, .height = 16, .subsamplingX = 1, .subsamplingY = 2},  // more down than across
        {.width = 32, .height = 16, .colour = false},                    // three components
    };
    for (const JpegPageInfo& info : refused) {
        EXPECT_FALSE(writer.AddJpegPage(colour, info));
        EXPECT_EQ(writer.Error(), TiffError::BadJpeg);
    }
    EXPECT_FALSE(writer.AddJpegPage(std::span(colour).first(colour.size() - 1), {.width = 32, .height = 16}));
    ASSERT_TRUE(writer.Finish());
    const auto pages = ReadBack(sink.Data());
    ASSERT_EQ(pages.size(), 2u);
    EXPECT_EQ(pages[0].Number(kCompression), kCompressionJpeg);
    EXPECT_EQ(pages[0].Number(kPhotometricInterpretation), kYCbCr);
    EXPECT_EQ(pages[0].fields.at(kYCbCrSubSampling).numbers, (std::vector<std::uint32_t>{2, 2}));
    EXPECT_EQ(pages[0].fields.at(kReferenceBlackWhite).numbers, (std::vector<std::uint32_t>{0, 1, 255, 1, 128, 1, 255, 1, 128, 1, 255, 1}));
    EXPECT_EQ(pages[0].Number(kRowsPerStrip), 16u);
    EXPECT_EQ(testing::StripBytes(sink.Data(), pages[0], 0), colour);
    EXPECT_EQ(pages[1].Number(kPhotometricInterpretation), kBlackIsZero);
    EXPECT_FALSE(pages[1].Has(kYCbCrSubSampling));
    EXPECT_EQ(testing::StripBytes(sink.Data(), pages[1], 0), grey);
}

TEST(TiffWriter, AFailingSinkGivesFalseAtEveryCall) {
    const auto bitonal = testing::RandomPage(100, 10, 1, 8);
    const auto grey = testing::SamplePage(PixelFormat::Gray8, 600, 300, 1, testing::Samples::Noise, 9);
    const auto write = [&](ByteSink& sink) {
        TiffWriter writer(sink);
        return writer.AddPage(bitonal->page) && writer.AddPage(grey->page) && writer.AddPage(grey->page, {.compression = TiffCompression::None}) &&
               writer.Finish();
    };
    testing::FailingSink whole(0);
    ASSERT_TRUE(write(whole));
    ASSERT_GT(whole.Calls(), 10u);
    for (std::uint64_t n = 1; n <= whole.Calls(); ++n) {
        testing::FailingSink sink(n);
        TiffWriter writer(sink);
        const bool written = writer.AddPage(bitonal->page) && writer.AddPage(grey->page) &&
                             writer.AddPage(grey->page, {.compression = TiffCompression::None}) && writer.Finish();
        EXPECT_FALSE(written) << "call " << n;
        EXPECT_EQ(writer.Error(), TiffError::SinkFailed) << "call " << n;
        EXPECT_FALSE(writer.AddPage(bitonal->page)) << "call " << n;
        EXPECT_EQ(writer.Error(), TiffError::SinkFailed) << "call " << n;
    }
}

TEST(TiffWriter, RefusedPagesLeaveTheFileWhole) {
    const auto good = testing::RandomPage(40, 8, 0, 2);
    PageImage bad = good->page;
    bad.stride = 1;
    MemorySink sink;
    TiffWriter writer(sink);
    EXPECT_FALSE(writer.Finish());
    EXPECT_EQ(writer.Error(), TiffError::NoPages);
    EXPECT_FALSE(writer.AddPage(bad));
    EXPECT_EQ(writer.Error(), TiffError::BadPage);
    EXPECT_FALSE(writer.AddPage(good->page, {.zlibLevel = 10}));
    EXPECT_EQ(writer.Error(), TiffError::BadOptions);
    ASSERT_TRUE(writer.AddPage(good->page));
    EXPECT_EQ(writer.Error(), TiffError::None);
    EXPECT_FALSE(writer.AddPage(bad));
    ASSERT_TRUE(writer.Finish());
    EXPECT_FALSE(writer.AddPage(good->page));
    EXPECT_EQ(writer.Error(), TiffError::Finished);
    EXPECT_FALSE(writer.Finish());
    const auto pages = ReadBack(sink.Data());
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(pages[0].fields.at(kPageNumber).numbers, (std::vector<std::uint32_t>{0, 1}));
}

TEST(TiffWriter, APageThatWouldPassTheLimitIsRefusedBeforeItsFirstByte) {
    const auto small = testing::RandomPage(64, 4, 0, 1);
    const auto large = testing::SamplePage(PixelFormat::Gray8, 200, 200, 0, testing::Samples::Noise, 1);
    constexpr std::uint64_t kLimit = 4000;
    for (const TiffCompression compression : {TiffCompression::Automatic, TiffCompression::None}) {
        MemorySink sink;
        TiffWriter writer(sink, kLimit);
        ASSERT_TRUE(writer.AddPage(small->page));
        const auto before = sink.Size();
        EXPECT_FALSE(writer.AddPage(large->page, {.compression = compression}));
        EXPECT_EQ(writer.Error(), TiffError::TooLarge);
        EXPECT_EQ(sink.Size(), before);
        ASSERT_TRUE(writer.AddPage(small->page));
        ASSERT_TRUE(writer.Finish());
        EXPECT_LE(sink.Size(), kLimit);
        EXPECT_EQ(ReadBack(sink.Data()).size(), 2u);
    }
}

TEST(TiffWriter, RefusesASinkThatAlreadyHoldsData) {
    const auto page = testing::RandomPage(8, 8, 0, 1);
    MemorySink sink;
    const std::uint8_t junk[3] = {1, 2, 3};
    ASSERT_TRUE(sink.Append(junk));
    TiffWriter writer(sink);
    EXPECT_FALSE(writer.AddPage(page->page));
    EXPECT_EQ(writer.Error(), TiffError::SinkNotEmpty);
    EXPECT_EQ(sink.Size(), 3u);
}

}  // namespace
}  // namespace vantrel::imaging
