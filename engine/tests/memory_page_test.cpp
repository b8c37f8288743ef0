// Memory-transfer pages: strips copied where they belong, flavours turned into ours, lies refused.
#include "engine/memory_page.h"

#include <gtest/gtest.h>

#include <vector>

namespace vantrel::engine {
namespace {

MemoryPageLayout Layout(std::int32_t width, std::int32_t length, std::uint16_t pixelType, std::int16_t bits,
                        bool chocolate = true) {
    MemoryPageLayout layout;
    layout.width = width;
    layout.length = length;
    layout.pixelType = pixelType;
    layout.bitsPerPixel = bits;
    layout.chocolate = chocolate;
    layout.xDpi = 300;
    layout.yDpi = 300;
    return layout;
}

MemoryStrip Strip(const std::vector<std::uint8_t>& buffer, std::uint32_t bytesPerRow, std::uint32_t columns,
                  std::uint32_t rows, std::uint32_t yOffset) {
    MemoryStrip strip;
    strip.bytesPerRow = bytesPerRow;
    strip.columns = columns;
    strip.rows = rows;
    strip.yOffset = yOffset;
    strip.bytesWritten = bytesPerRow * rows;
    strip.bytes = buffer;
    return strip;
}

// A strip that says other rows or another offset than it wrote, as real drivers' strips do.
MemoryStrip Claiming(MemoryStrip strip, std::uint32_t rows, std::uint32_t yOffset) {
    strip.rows = rows;
    strip.yOffset = yOffset;
    return strip;
}

TEST(MemoryPage, StripsLandInOrderWithoutPaddingAndFlavoursBecomeOurs) {
    // Rows of 6 pixel bytes padded to 8, as sources align them.
    const std::vector<std::uint8_t> first = {1, 2, 3, 4, 5, 6, 0xEE, 0xEE, 7, 8, 9, 10, 11, 12, 0xEE, 0xEE};
    const std::vector<std::uint8_t> second = {13, 14, 15, 16, 17, 18, 0xEE, 0xEE};
    // Chocolate: 0 is black. Pixels 0 and 9 black, the rest white; the unused 6 bits hold junk.
    const std::vector<std::uint8_t> bw = {0b01111111, 0b10111111, 0xAA, 0xAA};
    const std::vector<std::uint8_t> grey = {0, 200};
    const struct {
        const char* what;
        MemoryPageLayout layout;
        std::vector<MemoryStrip> strips;
        std::vector<std::uint8_t> pixels;  // the first of the page
    } cases[] = {
        {"colour in two strips", Layout(2, 3, 2, 24), {Strip(first, 8, 2, 2, 0), Strip(second, 8, 2, 1, 2)},
         {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18}},
        {"rows as asked for, the bytes as written", Layout(2, 3, 2, 24),
         {Strip(first, 8, 2, 2, 0), Claiming(Strip(second, 8, 2, 1, 2), 2, 2)},
         {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18}},
        {"offsets of 0 in every strip", Layout(2, 3, 2, 24),
         {Strip(first, 8, 2, 2, 0), Claiming(Strip(second, 8, 2, 1, 2), 1, 0)},
         {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18}},
        {"an empty last strip, of no columns", Layout(2, 3, 2, 24),
         {Strip(first, 8, 2, 2, 0), Strip(second, 8, 2, 1, 2), Claiming(Strip(second, 8, 0, 0, 0), 2, 0)},
         {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18}},
        {"chocolate black and white: ones for ink, unused bits clear", Layout(10, 1, 0, 1), {Strip(bw, 4, 10, 1, 0)},
         {0b10000000, 0b01000000}},
        {"chocolate grey kept", Layout(2, 1, 1, 8, true), {Strip(grey, 2, 2, 1, 0)}, {0, 200}},
        {"vanilla grey turned", Layout(2, 1, 1, 8, false), {Strip(grey, 2, 2, 1, 0)}, {255, 55}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        MemoryPage page;
        ASSERT_TRUE(page.Begin(c.layout));
        for (const MemoryStrip& strip : c.strips) ASSERT_TRUE(page.Add(strip));
        auto done = page.Finish();
        ASSERT_TRUE(done);
        const auto view = done->View();
        EXPECT_EQ(view.height, static_cast<std::uint32_t>(c.layout.length));
        EXPECT_EQ(view.xDpi, 300);
        ASSERT_GE(view.pixels.size(), c.pixels.size());
        EXPECT_EQ(std::vector<std::uint8_t>(view.pixels.begin(), view.pixels.begin() + static_cast<std::ptrdiff_t>(c.pixels.size())), c.pixels);
    }
}

TEST(MemoryPage, RefusesStripsThatClaimMoreThanTheyHoldOrLieOutsideThePage) {
    const std::vector<std::uint8_t> buffer(64, 0);
    // Each a lie told by the strip after rows 0 and 1, one row of 2 colour pixels (8 bytes a row)
    // on a page of 2 x 4, and the reason it is refused with.
    const struct {
        const char* what;
        void (*lie)(MemoryStrip&);
        const char* reason;
    } cases[] = {
        {"over-claimed bytes", [](MemoryStrip& s) { s.bytesWritten = 65; }, "more bytes than its buffer"},
        {"whole rows past the end", [](MemoryStrip& s) { s.bytesWritten = 24; }, "below the page"},
        {"a tile's rows past its bytes", [](MemoryStrip& s) { s.columns = 1, s.rows = 2; }, "rows do not fit"},
        {"below the page", [](MemoryStrip& s) { s.yOffset = 4; }, "below the page"},
        {"overlapping", [](MemoryStrip& s) { s.yOffset = 1; }, "overlaps rows already received"},
        {"part of a row", [](MemoryStrip& s) { s.bytesWritten = 12; }, "part of a row"},
        {"wider than the page", [](MemoryStrip& s) { s.columns = 3; }, "outside the page"},
        {"rows shorter than columns", [](MemoryStrip& s) { s.bytesPerRow = 5, s.bytesWritten = 5; }, "shorter than its columns"},
        {"offset past the edge", [](MemoryStrip& s) { s.columns = 1, s.xOffset = 2; }, "outside the page"},
        {"compressed", [](MemoryStrip& s) { s.compression = 5; }, "compressed"},
        {"zero bytes per row", [](MemoryStrip& s) { s.bytesPerRow = 0; }, "part of a row"},
    };
    MemoryPage honest;
    ASSERT_TRUE(honest.Begin(Layout(2, 4, 2, 24)) && honest.Add(Strip(buffer, 8, 2, 2, 0)) &&
                honest.Add(Strip(buffer, 8, 2, 1, 2)))
        << "the strips each lie starts from";
    for (const auto& c : cases) {
        MemoryPage page;
        ASSERT_TRUE(page.Begin(Layout(2, 4, 2, 24)) && page.Add(Strip(buffer, 8, 2, 2, 0)));
        MemoryStrip strip = Strip(buffer, 8, 2, 1, 2);
        c.lie(strip);
        EXPECT_FALSE(page.Add(strip)) << c.what;
        EXPECT_NE(page.Error().find(c.reason), std::string::npos) << c.what << ": " << page.Error();
    }
}

TEST(MemoryPage, AnUnknownLengthGrowsAndEndsAtTheLastRowReceived) {
    MemoryPage page;
    ASSERT_TRUE(page.Begin(Layout(1, -1, 1, 8)));
    std::vector<std::uint8_t> rows(300);
    for (std::size_t i = 0; i < rows.size(); ++i) rows[i] = static_cast<std::uint8_t>(i);
    ASSERT_TRUE(page.Add(Strip(rows, 1, 1, 300, 0)));
    const std::vector<std::uint8_t> last = {42};
    ASSERT_TRUE(page.Add(Strip(last, 1, 1, 1, 300)));
    auto done = page.Finish();
    ASSERT_TRUE(done);
    EXPECT_EQ(done->View().height, 301u);
    EXPECT_EQ(done->View().pixels[299], 299 % 256);
    EXPECT_EQ(done->View().pixels[300], 42);
}

TEST(MemoryPage, RefusesLayoutsItCannotStoreOrHold) {
    MemoryPage page;
    EXPECT_FALSE(page.Begin(Layout(10, 10, 1, 16)));  // 16-bit grey
    EXPECT_NE(page.Error().find("16 bits"), std::string::npos);
    EXPECT_FALSE(page.Begin(Layout(0, 10, 2, 24)));
    EXPECT_FALSE(page.Begin(Layout(2000000000, 2000000000, 2, 24)));
    EXPECT_FALSE(page.Add(MemoryStrip{}));  // no page began
}

TEST(StripBufferSize, TakesThePreferenceWithinTheSourcesBoundsAndOurs) {
    constexpr std::uint32_t none = 0xFFFFFFFF;
    const struct {
        std::uint32_t minimum, maximum, preferred;
        std::optional<std::uint32_t> size;
    } cases[] = {
        {1, none, 8192, 8192},                                  // the preference as it is
        {1, none, 0, kDefaultStripBytes},                       // none: ours
        {none, none, none, kDefaultStripBytes},
        {1, 4096, 0, 4096},                                     // our default above its maximum
        {100000, none, 8192, 100000},                           // below its minimum
        {1, 32768, 100u << 20, 32768},                          // a preference above its own maximum
        {1, none, 100u << 20, kLargestStripBytes},              // above what we give
        {1, 0, 0, kDefaultStripBytes},                          // a maximum of 0 is none
        {kLargestStripBytes + 1, none, 0, std::nullopt},        // a minimum we cannot give
        {8192, 4096, 0, 8192},                                  // contradictory bounds: its minimum wins
    };
    for (const auto& c : cases) {
        EXPECT_EQ(StripBufferSize(c.minimum, c.maximum, c.preferred), c.size)
            << c.minimum << " " << c.maximum << " " << c.preferred;
    }
}

}  // namespace
}  // namespace vantrel::engine
