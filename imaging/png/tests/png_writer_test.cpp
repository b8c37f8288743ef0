// What the independent reader cannot see: a failing sink and the pages and levels the writer refuses.
#include "imaging/png/png_writer.h"

#include <gtest/gtest.h>

#include <vector>

#include "imaging/tests/failing_sink.h"
#include "imaging/tests/test_pages.h"

namespace vantrel::imaging {
namespace {

TEST(PngWriter, EveryFailingSinkCallFailsTheWrite) {
    const auto owned = testing::SamplePage(PixelFormat::Rgb24, 300, 200, 1, testing::Content::Noise, 3, 300, 300);
    EXPECT_EQ(testing::FailureAtEveryCall([&](ByteSink& sink) { return WritePng(owned->page, sink); }), "");
}

TEST(PngWriter, RefusesMalformedPagesAndLevelsWithoutWriting) {
    const std::vector<std::uint8_t> pixels(64);
    const PageImage good{.width = 4, .height = 4, .format = PixelFormat::Gray8, .stride = 4, .pixels = pixels};
    struct Case {
        const char* name;
        PageImage page;
        int level;
    };
    std::vector<Case> cases = {{"zero width", good, 6}, {"zero height", good, 6}, {"stride too small", good, 6},
                               {"pixels too short", good, 6}, {"stride wrapping around", good, 6},
                               {"level 10", good, 10}, {"level -1", good, -1}};
    cases[0].page.width = 0;
    cases[1].page.height = 0;
    cases[2].page.stride = 3;
    cases[3].page.pixels = std::span(pixels).first(15);
    cases[4].page.stride = std::uint64_t{1} << 63;  // 2^63 * 2 wraps to 0, so the bare size test passes
    cases[4].page.height = 3;
    for (const Case& c : cases) {
        MemorySink sink;
        EXPECT_FALSE(WritePng(c.page, sink, {.zlibLevel = c.level})) << c.name;
        EXPECT_EQ(sink.Size(), 0u) << c.name;
    }
    MemorySink sink;
    EXPECT_TRUE(WritePng(good, sink, {.zlibLevel = 0}));
}

}  // namespace
}  // namespace vantrel::imaging
