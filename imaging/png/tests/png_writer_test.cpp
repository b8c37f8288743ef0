// Whole PNG files read back chunk by chunk: header, density, IDAT sizes, pixels, and the refusals.
#include "imaging/png/png_writer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "imaging/png/tests/failing_sink.h"
#include "imaging/png/tests/png_reading.h"
#include "imaging/png/tests/test_pages.h"

namespace vantrel::imaging {
namespace {

using testing::Chunk;

struct Decoded {
    std::vector<Chunk> chunks;
    std::vector<std::uint8_t> samples;
};

// Parses, checks every CRC and the chunk order, and inflates and unfilters the IDAT data.
std::optional<Decoded> Decode(const std::vector<std::uint8_t>& file, const PageImage& page) {
    auto chunks = testing::ParseChunks(file);
    if (!chunks || chunks->size() < 3) return std::nullopt;
    for (const Chunk& c : *chunks) {
        if (c.storedCrc != testing::BitwiseCrc(c.type, c.data)) return std::nullopt;
    }
    if (chunks->front().type != "IHDR" || chunks->back().type != "IEND") return std::nullopt;
    std::vector<std::uint8_t> stream;
    for (const Chunk& c : *chunks) {
        if (c.type == "IDAT") stream.insert(stream.end(), c.data.begin(), c.data.end());
    }
    const std::size_t rowBytes = static_cast<std::size_t>(MinimumStride(page.format, page.width));
    const auto filtered = testing::Inflate(stream, (rowBytes + 1) * page.height);
    if (!filtered) return std::nullopt;
    const std::size_t bpp = page.format == PixelFormat::Rgb24 ? 3 : 1;
    auto samples = testing::Unfilter(*filtered, rowBytes, bpp);
    if (!samples) return std::nullopt;
    return Decoded{std::move(*chunks), std::move(*samples)};
}

const Chunk* Find(const std::vector<Chunk>& chunks, const std::string& type) {
    for (const Chunk& c : chunks) {
        if (c.type == type) return &c;
    }
    return nullptr;
}

struct Shape {
    PixelFormat format;
    std::uint32_t width;
    std::uint32_t height;
    std::uint32_t padding;
    std::uint8_t bitDepth;
    std::uint8_t colourType;
};

TEST(PngWriter, PixelsAndHeaderRoundTrip) {
    const std::vector<Shape> shapes = {
        {PixelFormat::BlackWhite1, 1, 1, 0, 1, 0},   {PixelFormat::BlackWhite1, 7, 3, 1, 1, 0},
        {PixelFormat::BlackWhite1, 8, 2, 0, 1, 0},   {PixelFormat::BlackWhite1, 9, 5, 3, 1, 0},
        {PixelFormat::BlackWhite1, 1001, 4, 2, 1, 0}, {PixelFormat::Gray8, 1, 1, 0, 8, 0},
        {PixelFormat::Gray8, 13, 7, 3, 8, 0},         {PixelFormat::Gray8, 300, 2, 0, 8, 0},
        {PixelFormat::Rgb24, 1, 1, 1, 8, 2},          {PixelFormat::Rgb24, 5, 9, 2, 8, 2},
        {PixelFormat::Rgb24, 257, 3, 0, 8, 2},
    };
    for (const Shape& s : shapes) {
        for (const testing::Content content : {testing::Content::Noise, testing::Content::Smooth}) {
            const auto owned = testing::MakePage(s.format, s.width, s.height, s.padding, content, s.width);
            MemorySink sink;
            ASSERT_TRUE(WritePng(owned->page, sink)) << s.width << "x" << s.height;
            const auto decoded = Decode(sink.Data(), owned->page);
            ASSERT_TRUE(decoded) << s.width << "x" << s.height;
            const std::vector<std::uint8_t>& ihdr = decoded->chunks.front().data;
            ASSERT_EQ(ihdr.size(), 13u);
            EXPECT_EQ(testing::BigEndian32(&ihdr[0]), s.width);
            EXPECT_EQ(testing::BigEndian32(&ihdr[4]), s.height);
            EXPECT_EQ(ihdr[8], s.bitDepth);
            EXPECT_EQ(ihdr[9], s.colourType);
            EXPECT_EQ(ihdr[10] | ihdr[11] | ihdr[12], 0);
            EXPECT_EQ(decoded->samples, testing::ExpectedSamples(owned->page)) << s.width << "x" << s.height;
        }
    }
}

TEST(PngWriter, BlackIsZeroInTheFileAndPaddingBitsDoNotLeak) {
    // One row of 3 pixels: black, white, black; the five padding bits and the padding byte differ.
    const std::vector<std::uint8_t> a = {0b1010'0000, 0x00}, b = {0b1011'1111, 0xFF};
    std::vector<std::uint8_t> files[2];
    for (int i = 0; i < 2; ++i) {
        const PageImage page{.width = 3, .height = 1, .format = PixelFormat::BlackWhite1, .stride = 2,
                             .pixels = i == 0 ? a : b};
        MemorySink sink;
        ASSERT_TRUE(WritePng(page, sink));
        files[i] = sink.Data();
        const auto decoded = Decode(files[i], page);
        ASSERT_TRUE(decoded);
        EXPECT_EQ(decoded->samples, std::vector<std::uint8_t>{0b0100'0000});
    }
    EXPECT_EQ(files[0], files[1]);
}

struct Density {
    double xDpi;
    double yDpi;
    std::optional<std::pair<std::uint32_t, std::uint32_t>> expected;
};

TEST(PngWriter, DensityInPixelsPerMetre) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const std::vector<Density> cases = {
        {300, 300, std::pair{11811u, 11811u}}, {200, 300, std::pair{7874u, 11811u}},
        {300, 0, std::pair{11811u, 11811u}},  {0, 72, std::pair{2835u, 2835u}},
        {0, 0, std::nullopt},                 {-300, nan, std::nullopt},
        {1e12, 300, std::nullopt},            {0.01, 0.01, std::nullopt},
    };
    for (const Density& c : cases) {
        const auto owned = testing::MakePage(PixelFormat::Gray8, 4, 4, 0, testing::Content::Noise, 1, c.xDpi, c.yDpi);
        MemorySink sink;
        ASSERT_TRUE(WritePng(owned->page, sink));
        const auto decoded = Decode(sink.Data(), owned->page);
        ASSERT_TRUE(decoded);
        const Chunk* phys = Find(decoded->chunks, "pHYs");
        ASSERT_EQ(phys != nullptr, c.expected.has_value()) << c.xDpi << " x " << c.yDpi;
        if (!phys) continue;
        ASSERT_EQ(phys->data.size(), 9u);
        EXPECT_EQ(testing::BigEndian32(&phys->data[0]), c.expected->first);
        EXPECT_EQ(testing::BigEndian32(&phys->data[4]), c.expected->second);
        EXPECT_EQ(phys->data[8], 1);
        EXPECT_EQ(decoded->chunks[1].type, "pHYs");  // before the image data, as readers expect
    }
}

TEST(PngWriter, ImageDataIsSplitIntoChunksOfAtMost64K) {
    const auto owned = testing::MakePage(PixelFormat::Rgb24, 600, 300, 0, testing::Content::Noise);
    MemorySink sink;
    ASSERT_TRUE(WritePng(owned->page, sink));
    const auto decoded = Decode(sink.Data(), owned->page);
    ASSERT_TRUE(decoded);
    std::size_t idats = 0;
    for (const Chunk& c : decoded->chunks) {
        if (c.type != "IDAT") continue;
        ++idats;
        EXPECT_LE(c.data.size(), 65536u);
        EXPECT_GT(c.data.size(), 0u);
    }
    EXPECT_GE(idats, 8u);  // 540 KB of noise barely compresses
}

TEST(PngWriter, EveryFailingSinkCallFailsTheWrite) {
    const auto owned = testing::MakePage(PixelFormat::Rgb24, 300, 200, 1, testing::Content::Noise, 3, 300, 300);
    testing::FailingSink counting(0);
    ASSERT_TRUE(WritePng(owned->page, counting));
    ASSERT_GT(counting.Calls(), 10u);
    for (std::uint64_t n = 1; n <= counting.Calls(); ++n) {
        testing::FailingSink sink(n);
        EXPECT_FALSE(WritePng(owned->page, sink)) << "failing call " << n;
        EXPECT_EQ(sink.Calls(), n) << "kept writing after call " << n << " failed";
    }
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
