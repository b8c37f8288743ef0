// IFD layout: entries sorted whatever the order they were added in, short values inline, long ones word-aligned.
#include "imaging/tiff/tiff_directory.h"

#include <gtest/gtest.h>

#include <vector>

namespace vantrel::imaging::tiff {
namespace {

TEST(Directory, LaysOutSortedEntriesAndAlignedValues) {
    Directory directory;
    directory.AddAscii(kSoftware, "abc");                   // 4 bytes with the NUL: inline
    const std::uint32_t offsets[] = {0x11223344, 0x55667788};
    directory.AddLongs(kStripOffsets, offsets);            // 8 bytes: out of line
    directory.AddShort(kCompression, 4);
    directory.AddAscii(std::uint16_t{306}, "odd!");          // 5 bytes: out of line, padded to 6
    directory.AddShort(kCompression, 8);                   // replaces the 4
    directory.AddRational(kXResolution, {401, 2});
    const std::vector<std::uint8_t> bytes = directory.Layout(100);
    // 2 + 5 entries of 12 + 4, then 8 + 8 + 6 bytes of values starting at 100 + 66 = 166.
    ASSERT_EQ(bytes.size(), 66u + 8 + 8 + 6);
    EXPECT_EQ(directory.Size(), bytes.size());
    const std::vector<std::uint8_t> expected = {
        5, 0,
        0x03, 0x01, 3, 0, 1, 0, 0, 0, 8, 0, 0, 0,                       // Compression SHORT 8
        0x11, 0x01, 4, 0, 2, 0, 0, 0, 166, 0, 0, 0,                     // StripOffsets LONG[2] at 166
        0x1A, 0x01, 5, 0, 1, 0, 0, 0, 174, 0, 0, 0,                     // XResolution at 174
        0x31, 0x01, 2, 0, 4, 0, 0, 0, 'a', 'b', 'c', 0,                 // Software inline
        0x32, 0x01, 2, 0, 5, 0, 0, 0, 182, 0, 0, 0,                     // the odd string at 182
        0, 0, 0, 0,                                                     // no next IFD
        0x44, 0x33, 0x22, 0x11, 0x88, 0x77, 0x66, 0x55,
        0x91, 0x01, 0, 0, 2, 0, 0, 0,
        'o', 'd', 'd', '!', 0, 0,
    };
    EXPECT_EQ(bytes, expected);
    EXPECT_EQ(directory.NextOffsetPosition(), 62u);
    EXPECT_EQ(directory.ValueFieldPosition(kXResolution), 2u + 2 * 12 + 8);
    EXPECT_FALSE(directory.ValueFieldPosition(kPageNumber).has_value());
}

}  // namespace
}  // namespace vantrel::imaging::tiff
