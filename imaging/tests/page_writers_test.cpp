// What every page writer shares and no reader can see: malformed pages refused before a byte is written, the
// last row's padding never needed, each format's own limits, and a sink failing at any call failing the file.
#include <gtest/gtest.h>

#include <functional>
#include <span>
#include <utility>
#include <vector>

#include "imaging/bmp/bmp_writer.h"
#include "imaging/g4/group4_encoder.h"
#include "imaging/jpeg/jpeg_encoder.h"
#include "imaging/pdf/page_streams.h"
#include "imaging/pdf/pdf_writer.h"
#include "imaging/png/png_writer.h"
#include "imaging/tests/failing_sink.h"
#include "imaging/tests/test_pages.h"
#include "imaging/tiff/tiff_writer.h"

namespace vantrel::imaging {
namespace {

using Write = std::function<bool(const PageImage&, ByteSink&)>;

// All but Group 4, which hands its code back whole, write their files in many calls.
const std::pair<const char*, Write> kWriters[] = {
    {"BMP", [](const PageImage& page, ByteSink& sink) { return WriteBmp(page, sink); }},
    {"PNG", [](const PageImage& page, ByteSink& sink) { return WritePng(page, sink); }},
    {"JPEG", [](const PageImage& page, ByteSink& sink) { return WriteJpeg(page, 85, sink); }},
    {"TIFF", [](const PageImage& page, ByteSink& sink) {
         TiffWriter writer(sink);  // a second page, uncompressed, so the first one's link is patched
         if (writer.AddPage(page) && writer.AddPage(page, {.compression = TiffCompression::None}) && writer.Finish())
             return true;
         EXPECT_EQ(writer.Error(), IsWellFormed(page) ? TiffError::SinkFailed : TiffError::BadPage);
         EXPECT_FALSE(writer.AddPage(page)) << "a failed file stays failed";
         return false;
     }},
    {"PDF", [](const PageImage& page, ByteSink& sink) {
         const auto image = EncodeFlateImage(page);
         if (!image) return false;
         PdfWriter writer(sink);
         PdfResult r = writer.AddPage(image->View());
         if (r == PdfResult::Ok) r = writer.AddPage(image->View());
         if (r == PdfResult::Ok) r = writer.Finish({});
         if (r == PdfResult::Ok) return true;
         EXPECT_EQ(r, PdfResult::SinkFailed);
         EXPECT_EQ(writer.Finish({}), r) << "a failed file stays failed";
         return false;
     }},
    {"Group 4", [](const PageImage& page, ByteSink& sink) {
         const auto coded = EncodeGroup4(page);
         return !coded.empty() && sink.Append(coded);
     }},
};

TEST(PageWriters, RefuseMalformedPagesAndNeverNeedTheLastRowsPadding) {
    const auto owned = testing::RandomPage(20, 3, 1, 9);  // rows of 3 bytes, 4 apart
    const auto with = [&](auto change) {
        PageImage page = owned->page;
        change(page);
        return page;
    };
    const PageImage malformed[] = {
        with([](PageImage& p) { p.width = 0; }),
        with([](PageImage& p) { p.height = 0; }),
        with([](PageImage& p) { p.stride = 2; }),
        with([](PageImage& p) { p.pixels = p.pixels.first(10); }),
        with([](PageImage& p) { p.stride = std::uint64_t{1} << 63; }),  // stride * (height - 1) wraps to 0
    };
    const PageImage exact = with([](PageImage& p) { p.pixels = p.pixels.first(11); });
    for (const auto& [name, write] : kWriters) {
        MemorySink whole, cut;
        ASSERT_TRUE(write(owned->page, whole)) << name;
        ASSERT_TRUE(write(exact, cut)) << name;
        EXPECT_EQ(cut.Data(), whole.Data()) << name;
        for (std::size_t i = 0; i < std::size(malformed); ++i) {
            MemorySink sink;
            EXPECT_FALSE(write(malformed[i], sink)) << name << ", page " << i;
            EXPECT_EQ(sink.Size(), 0u) << name << ", page " << i;
        }
    }
}

TEST(PageWriters, RefuseWhatTheirFormatCannotHold) {
    const auto grey = testing::SamplePage(PixelFormat::Gray8, 8, 8, 0, testing::Content::Noise, 1);
    for (const int level : {-1, 10}) {
        MemorySink sink;
        EXPECT_FALSE(WritePng(grey->page, sink, {.zlibLevel = level})) << "PNG at zlib level " << level;
        EXPECT_EQ(sink.Size(), 0u) << "PNG at zlib level " << level;
    }
    EXPECT_FALSE(EncodeFlateImage(grey->page, {.zlibLevel = 11})) << "a PDF stream at zlib level 11";
    EXPECT_TRUE(EncodeGroup4(grey->page).empty()) << "Group 4 of a grey page";
}

TEST(PageWriters, EveryFailingSinkCallFailsTheFile) {
    const auto page = testing::SamplePage(PixelFormat::Rgb24, 300, 200, 1, testing::Content::Noise, 3, 300, 300);
    for (const auto& writer : std::span(kWriters).first(5))
        EXPECT_EQ(testing::FailureAtEveryCall([&](ByteSink& sink) { return writer.second(page->page, sink); }), "") << writer.first;
}

}  // namespace
}  // namespace vantrel::imaging
