// What Pillow cannot see: refused pages, clamped qualities, and the row writer's sequencing, bands and sink failures.
#include "imaging/jpeg/jpeg_encoder.h"

#include <gtest/gtest.h>

#include <vector>

#include "imaging/tests/failing_sink.h"
#include "imaging/tests/test_pages.h"

namespace vantrel::imaging {
namespace {

constexpr PixelFormat kFormats[] = {PixelFormat::BlackWhite1, PixelFormat::Gray8, PixelFormat::Rgb24};

testing::OwnedPage Page(PixelFormat format, std::uint32_t width, std::uint32_t height, std::uint32_t padding) {
    return std::move(*testing::SamplePage(format, width, height, padding, testing::Content::Smooth, 1, 300, 300));
}

TEST(JpegEncoder, RefusesPagesItCannotEncode) {
    const testing::OwnedPage grey = Page(PixelFormat::Gray8, 10, 4, 0);  // no bytes to spare
    const PageImage good = grey.page;
    const std::vector<std::uint8_t> wide(65536 + 1);
    struct Case { const char* name; PageImage page; };
    const auto with = [&](auto change) {
        PageImage page = good;
        change(page);
        return page;
    };
    const Case cases[] = {
        {"width 0", with([](PageImage& p) { p.width = 0; })},
        {"height 0", with([](PageImage& p) { p.height = 0; })},
        {"stride below the row", with([](PageImage& p) { p.stride = 9; })},
        {"one byte short", with([](PageImage& p) { p.pixels = p.pixels.first(p.pixels.size() - 1); })},
        {"no pixels", with([](PageImage& p) { p.pixels = {}; })},
        {"rows for 3 channels", with([](PageImage& p) { p.format = PixelFormat::Rgb24; })},
        {"unknown format", with([](PageImage& p) { p.format = static_cast<PixelFormat>(7); })},
        {"wider than a frame can say", PageImage{65536, 1, PixelFormat::Gray8, 65536, 0, 0, wide}},
        {"taller than a frame can say", PageImage{1, 65536, PixelFormat::Gray8, 1, 0, 0, wide}},
        // stride * (height - 1) is 2^64, which wraps to 0 in 64-bit arithmetic.
        {"rows wrap past 2^64", PageImage{1, 32769, PixelFormat::Gray8, std::uint64_t{1} << 49, 0, 0, wide}},
    };
    ASSERT_FALSE(EncodeJpeg(good).empty());
    for (const auto& c : cases) EXPECT_TRUE(EncodeJpeg(c.page).empty()) << c.name;
}

TEST(JpegEncoder, QualityOutsideTheScaleIsClamped) {
    const testing::OwnedPage page = Page(PixelFormat::Rgb24, 40, 30, 0);
    EXPECT_EQ(EncodeJpeg(page.page, 0), EncodeJpeg(page.page, 1));
    EXPECT_EQ(EncodeJpeg(page.page, -1000), EncodeJpeg(page.page, 1));
    EXPECT_EQ(EncodeJpeg(page.page, 101), EncodeJpeg(page.page, 100));
}

TEST(JpegRowWriter, StreamsTheSameFileAsTheWholePage) {
    for (const PixelFormat format : kFormats) {
        const testing::OwnedPage page = Page(format, 50, 37, 3);
        MemorySink sink;
        const auto writer = StartJpeg({page.page.width, page.page.height, format, 300, 300}, 85, sink);
        ASSERT_TRUE(writer);
        for (std::uint32_t y = 0; y < page.page.height; ++y) ASSERT_TRUE(writer->WriteRow(page.page.Row(y)));
        ASSERT_TRUE(writer->Finish());
        EXPECT_EQ(sink.Data(), EncodeJpeg(page.page, 85)) << static_cast<int>(format);
    }
}

// Nothing of an MCU row reaches the sink before its last row, and each completed row goes at once.
TEST(JpegRowWriter, SendsEachBandWhenItsLastRowArrives) {
    const testing::OwnedPage page = Page(PixelFormat::Rgb24, 40, 40, 0);
    MemorySink sink;
    const auto writer = StartJpeg({40, 40, PixelFormat::Rgb24, 300, 300}, 85, sink);
    ASSERT_TRUE(writer);
    const std::uint64_t headers = sink.Size();
    for (std::uint32_t y = 0; y < 15; ++y) ASSERT_TRUE(writer->WriteRow(page.page.Row(y)));
    EXPECT_EQ(sink.Size(), headers);
    ASSERT_TRUE(writer->WriteRow(page.page.Row(15)));
    EXPECT_GT(sink.Size(), headers);
}

TEST(JpegRowWriter, RefusesFramesABaselineFileCannotHold) {
    MemorySink sink;
    const JpegFrame frames[] = {
        {0, 10, PixelFormat::Gray8, 0, 0},
        {10, 0, PixelFormat::Gray8, 0, 0},
        {65536, 10, PixelFormat::Rgb24, 0, 0},
        {10, 70000, PixelFormat::BlackWhite1, 0, 0},
        {10, 10, static_cast<PixelFormat>(3), 0, 0},
    };
    for (const JpegFrame& frame : frames) EXPECT_FALSE(StartJpeg(frame, 85, sink)) << frame.width << "x" << frame.height;
    EXPECT_EQ(sink.Size(), 0u);
}

// Calls out of sequence fail, and a failed writer stays failed; failing calls write nothing.
TEST(JpegRowWriter, FailsOutOfSequenceCallsAndStaysFailed) {
    const std::vector<std::uint8_t> rows[] = {std::vector<std::uint8_t>(30, 128), std::vector<std::uint8_t>(29, 128),
                                              std::vector<std::uint8_t>(40, 7)};
    const struct {
        const char* name;
        const char* calls;  // r: a row, s: a short row, l: a longer row (its extra bytes ignored), f: Finish
        const char* results;
    } cases[] = {
        {"a short row", "srf", "---"},
        {"a row missing", "rf", "+-"},
        {"a third row of two", "rlrf", "++--"},
        {"finished twice, a row after the end", "rrffr", "+++--"},
    };
    for (const auto& c : cases) {
        MemorySink sink;
        const auto writer = StartJpeg({10, 2, PixelFormat::Rgb24, 0, 0}, 85, sink);
        ASSERT_TRUE(writer);
        for (std::size_t i = 0; c.calls[i] != 0; ++i) {
            const std::uint64_t before = sink.Size();
            const char call = c.calls[i];
            const bool ok = call == 'f' ? writer->Finish() : writer->WriteRow(rows[call == 'r' ? 0 : call == 's' ? 1 : 2]);
            EXPECT_EQ(ok, c.results[i] == '+') << c.name << ", call " << i;
            if (!ok) EXPECT_EQ(sink.Size(), before) << c.name << ", call " << i;
        }
    }
}

// Headers, bands and the end go to the sink as they are ready, and any refusal fails the file.
TEST(JpegRowWriter, ReportsASinkThatRefuses) {
    const testing::OwnedPage page = Page(PixelFormat::Rgb24, 200, 100, 0);
    EXPECT_EQ(testing::FailureAtEveryCall([&](ByteSink& sink) { return WriteJpeg(page.page, 85, sink); }), "");
}

}  // namespace
}  // namespace vantrel::imaging
