// PNG chunk framing and CRCs against well-known chunks.
#include "imaging/png/png_chunk.h"

#include <gtest/gtest.h>

#include <vector>

#include "imaging/png/tests/png_reading.h"

namespace vantrel::imaging {
namespace {

TEST(PngChunk, IendIsTheWellKnownTwelveBytes) {
    MemorySink sink;
    ASSERT_TRUE(WriteChunk(sink, MakeChunkType("IEND"), {}));
    const std::vector<std::uint8_t> expected = {0, 0, 0, 0, 'I', 'E', 'N', 'D', 0xAE, 0x42, 0x60, 0x82};
    EXPECT_EQ(sink.Data(), expected);
}

TEST(PngChunk, IhdrOfOnePixelGreyMatchesItsKnownCrc) {
    // The header of the smallest 8-bit greyscale PNG, whose CRC 3A7E9B55 is widely quoted.
    const std::vector<std::uint8_t> ihdr = {0, 0, 0, 1, 0, 0, 0, 1, 8, 0, 0, 0, 0};
    EXPECT_EQ(ChunkCrc(MakeChunkType("IHDR"), ihdr), 0x3A7E9B55u);
}

TEST(PngChunk, CrcCoversTypeAndDataAsTheBitwiseDefinitionDoes) {
    std::vector<std::uint8_t> data(1000);
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i * 37 + 11);
    EXPECT_EQ(ChunkCrc(MakeChunkType("IDAT"), data), testing::BitwiseCrc("IDAT", data));
    EXPECT_NE(ChunkCrc(MakeChunkType("IDAT"), data), ChunkCrc(MakeChunkType("IDAU"), data));
}

TEST(PngChunk, LengthIsBigEndianBeforeTheType) {
    MemorySink sink;
    const std::vector<std::uint8_t> data(0x0102, 7);
    ASSERT_TRUE(WriteChunk(sink, MakeChunkType("tEXt"), data));
    ASSERT_EQ(sink.Data().size(), 12u + data.size());
    EXPECT_EQ(testing::BigEndian32(&sink.Data()[0]), 0x0102u);
    EXPECT_EQ(testing::BigEndian32(&sink.Data()[8 + data.size()]), testing::BitwiseCrc("tEXt", data));
}

}  // namespace
}  // namespace vantrel::imaging
