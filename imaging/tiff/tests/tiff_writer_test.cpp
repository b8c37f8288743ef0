// What the independent readers cannot see: refused pages and options, and the size limit (failing sinks: page_writers_test.cpp).
#include "imaging/tiff/tiff_writer.h"

#include <gtest/gtest.h>

#include "imaging/tests/test_pages.h"

namespace vantrel::imaging {
namespace {

// Refusals leave the file whole, and a file is only ever begun on an empty sink.
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
    const auto afterPage = sink.Size();
    EXPECT_FALSE(writer.AddPage(bad));
    EXPECT_EQ(sink.Size(), afterPage);
    ASSERT_TRUE(writer.Finish());
    EXPECT_FALSE(writer.AddPage(good->page));
    EXPECT_EQ(writer.Error(), TiffError::Finished);
    EXPECT_FALSE(writer.Finish());

    const std::uint8_t junk[3] = {1, 2, 3};
    MemorySink used;
    ASSERT_TRUE(used.Append(junk));
    TiffWriter late(used);
    EXPECT_FALSE(late.AddPage(good->page));
    EXPECT_EQ(late.Error(), TiffError::SinkNotEmpty);
    EXPECT_EQ(used.Size(), 3u);
}

TEST(TiffWriter, APageThatWouldPassTheLimitIsRefusedBeforeItsFirstByte) {
    const auto small = testing::RandomPage(64, 4, 0, 1);
    const auto large = testing::SamplePage(PixelFormat::Gray8, 200, 200, 0, testing::Content::Noise, 1);
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
    }
}

}  // namespace
}  // namespace vantrel::imaging
