// A scanner's one-strip TIFF read back to its strip; anything else refused.
#include "imaging/tiff/tiff_strip_reader.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "imaging/g4/group4_encoder.h"
#include "imaging/tests/test_pages.h"
#include "imaging/tiff/tiff_writer.h"

namespace vantrel::imaging::tiff {
namespace {

TEST(ReadSingleStripTiff, FindsTheOneStripAndRefusesOtherFiles) {
    const auto bw = testing::SamplePage(PixelFormat::BlackWhite1, 300, 40, 0, testing::Content::Smooth, 1);
    const auto coded = EncodeGroup4(bw->page);
    MemorySink group4;
    TiffWriter one(group4);
    ASSERT_TRUE(one.AddGroup4Page(coded, 300, 40, 150, 75) && one.Finish());
    const auto strip = ReadSingleStripTiff(group4.Data());
    ASSERT_TRUE(strip.has_value());
    EXPECT_EQ(strip->width, 300u);
    EXPECT_EQ(strip->height, 40u);
    EXPECT_EQ(strip->compression, 4);
    EXPECT_EQ(strip->photometric, 0);
    EXPECT_EQ(strip->xDpi, 150);
    EXPECT_EQ(strip->yDpi, 75);
    EXPECT_TRUE(std::ranges::equal(strip->bytes, coded));

    // The same page claiming two strips (StripOffsets' count 2, its values then elsewhere).
    std::vector<std::uint8_t> strips = group4.Data();
    const std::size_t ifd = strips[4] | strips[5] << 8 | strips[6] << 16 | std::size_t{strips[7]} << 24;
    for (std::size_t entry = ifd + 2; entry + 12 <= strips.size(); entry += 12)
        if ((strips[entry] | strips[entry + 1] << 8) == 273) strips[entry + 4] = 2;
    const std::vector<std::uint8_t> cut(group4.Data().begin(), group4.Data().begin() + static_cast<long>(group4.Data().size() / 2));
    std::vector<std::uint8_t> bigEndianTag = group4.Data();
    bigEndianTag[0] = bigEndianTag[1] = 'M';  // the same bytes read the other way round point nowhere
    for (const auto& file : {strips, cut, bigEndianTag, std::vector<std::uint8_t>{'I', 'I', 42, 0}})
        EXPECT_FALSE(ReadSingleStripTiff(file).has_value()) << file.size() << " bytes";
}

}  // namespace
}  // namespace vantrel::imaging::tiff
