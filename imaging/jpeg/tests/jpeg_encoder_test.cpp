// What Pillow cannot see: clamped qualities, and the row writer's bands, refused frames and sequencing.
#include "imaging/jpeg/jpeg_encoder.h"

#include <gtest/gtest.h>

#include <vector>

#include "imaging/tests/test_pages.h"

namespace vantrel::imaging {
namespace {

// Above 100 every table entry is already 1, so only the low end shows the clamp.
TEST(JpegEncoder, QualityBelowTheScaleIsClamped) {
    const auto page = testing::SamplePage(PixelFormat::Rgb24, 40, 30, 0, testing::Content::Smooth, 1);
    EXPECT_EQ(EncodeJpeg(page->page, 0), EncodeJpeg(page->page, 1));
    EXPECT_EQ(EncodeJpeg(page->page, -1000), EncodeJpeg(page->page, 1));
}

// Nothing of an MCU row reaches the sink before its last row, and each completed row goes at once.
TEST(JpegRowWriter, SendsEachBandWhenItsLastRowArrives) {
    const auto page = testing::SamplePage(PixelFormat::Rgb24, 40, 40, 0, testing::Content::Smooth, 1);
    MemorySink sink;
    const auto writer = StartJpeg({40, 40, PixelFormat::Rgb24, 300, 300}, 85, sink);
    ASSERT_TRUE(writer);
    const std::uint64_t headers = sink.Size();
    for (std::uint32_t y = 0; y < 15; ++y) ASSERT_TRUE(writer->WriteRow(page->page.Row(y)));
    EXPECT_EQ(sink.Size(), headers);
    ASSERT_TRUE(writer->WriteRow(page->page.Row(15)));
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

}  // namespace
}  // namespace vantrel::imaging
