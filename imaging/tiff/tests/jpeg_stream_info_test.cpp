// The marker walk to a JPEG frame header, on streams built by hand.
#include "imaging/tiff/jpeg_stream_info.h"

#include <gtest/gtest.h>

#include <vector>

namespace vantrel::imaging::tiff {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Stream(const Bytes& beforeFrame, std::uint8_t frameMarker, const Bytes& frame) {
    Bytes jpeg = {0xFF, 0xD8};
    jpeg.insert(jpeg.end(), beforeFrame.begin(), beforeFrame.end());
    jpeg.insert(jpeg.end(), {0xFF, frameMarker, 0, static_cast<std::uint8_t>(frame.size() + 2)});
    jpeg.insert(jpeg.end(), frame.begin(), frame.end());
    jpeg.insert(jpeg.end(), {0xFF, 0xDA, 0, 2, 0xFF, 0xD9});
    return jpeg;
}

const Bytes kColour420 = {8, 0x01, 0x2C, 0x02, 0x58, 3, 1, 0x22, 0, 2, 0x11, 1, 3, 0x11, 1};  // 600 x 300

// The samples' TIFF pages show our own JPEGs read right; scanners' may put fill bytes before a marker or use an
// extended sequential frame.
TEST(ReadJpegStreamInfo, ReadsTheFrameAfterFillBytesAndOtherSegments) {
    const auto info = ReadJpegStreamInfo(Stream({0xFF, 0xFF, 0xE0, 0, 2}, 0xC1, kColour420));
    ASSERT_TRUE(info.has_value());
    EXPECT_EQ(info->width, 600u);
    EXPECT_EQ(info->height, 300u);
}

TEST(ReadJpegStreamInfo, RefusesWhatATiffReaderCouldNotTake) {
    Bytes noEnd = Stream({}, 0xC0, kColour420);
    noEnd.pop_back();
    Bytes zeroHeight = kColour420;
    zeroHeight[1] = zeroHeight[2] = 0;
    Bytes twelveBit = kColour420;
    twelveBit[0] = 12;
    Bytes twoComponents = {8, 0, 8, 0, 8, 2, 1, 0x11, 0, 2, 0x11, 0};
    Bytes badFactor = kColour420;
    badFactor[7] = 0x52;
    const Bytes cases[] = {
        Stream({}, 0xC2, kColour420),                       // progressive
        Stream({}, 0xC9, kColour420),                       // arithmetic coding
        noEnd,
        Stream({}, 0xC0, zeroHeight),                       // height from a DNL segment
        Stream({}, 0xC0, twelveBit),
        Stream({}, 0xC0, twoComponents),
        Stream({}, 0xC0, badFactor),
        Stream({0xFF, 0xE0, 0, 200}, 0xC0, kColour420),    // a segment running past the end
        Bytes{0xFF, 0xD8, 0xFF, 0xDA, 0, 2, 0xFF, 0xD9},    // a scan before any frame
        Bytes{0xFF, 0xD9},
    };
    for (const Bytes& jpeg : cases) EXPECT_FALSE(ReadJpegStreamInfo(jpeg).has_value()) << jpeg.size();
}

}  // namespace
}  // namespace vantrel::imaging::tiff
