// Packed DIBs of every depth a driver hands over, read into top-down pages; and the BMP writer's refusals.
#include "imaging/bmp/bmp_writer.h"
#include "imaging/bmp/dib_page.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <vector>

#include "imaging/tests/failing_sink.h"
#include "imaging/tests/test_pages.h"

namespace vantrel::imaging {
namespace {

using Bytes = std::vector<std::uint8_t>;

void Put(Bytes& bytes, std::size_t at, std::uint64_t value, int count) {
    for (int i = 0; i < count; ++i) bytes[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
}

struct Dib {
    std::uint32_t headerSize = 40;
    std::int32_t width = 1;
    std::int32_t height = 1;
    std::uint16_t bits = 24;
    std::uint32_t compression = 0;
    std::int32_t xPpm = 0;
    std::int32_t yPpm = 0;
    std::uint32_t clrUsed = 0;
    std::vector<std::uint32_t> table;  // 0x00RRGGBB
    std::vector<std::uint32_t> masks;  // after a 40-byte header, or inside a longer one
    Bytes pixels;                      // as the DIB stores them, rows padded to 4 bytes

    Bytes Block() const {
        const std::size_t masksAfter = headerSize == 40 ? masks.size() * 4 : 0;
        Bytes b(headerSize + masksAfter + table.size() * 4, 0);
        Put(b, 0, headerSize, 4);
        Put(b, 4, static_cast<std::uint32_t>(width), 4);
        Put(b, 8, static_cast<std::uint32_t>(height), 4);
        Put(b, 12, 1, 2);
        Put(b, 14, bits, 2);
        Put(b, 16, compression, 4);
        Put(b, 24, static_cast<std::uint32_t>(xPpm), 4);
        Put(b, 28, static_cast<std::uint32_t>(yPpm), 4);
        Put(b, 32, clrUsed, 4);
        for (std::size_t i = 0; i < masks.size(); ++i) Put(b, 40 + 4 * i, masks[i], 4);
        for (std::size_t i = 0; i < table.size(); ++i) Put(b, headerSize + masksAfter + 4 * i, table[i], 4);
        b.insert(b.end(), pixels.begin(), pixels.end());
        return b;
    }
};

Bytes Row(const PageImage& page, std::uint32_t y) {
    const auto row = page.Row(y);
    return Bytes(row.begin(), row.end());
}

TEST(DibPage, BlackAndWhiteTablesGiveOneBitPagesWithOneForBlack) {
    // 8x2, bottom-up: the first stored row is the page's last.
    const Bytes pixels{0xF0, 0, 0, 0, 0x81, 0, 0, 0};
    Dib whiteFirst{.width = 8, .height = 2, .bits = 1, .table = {0xFFFFFF, 0x000000}, .pixels = pixels};
    auto page = PageFromDib(whiteFirst.Block());
    ASSERT_TRUE(page);
    EXPECT_EQ(page->View().format, PixelFormat::BlackWhite1);
    EXPECT_EQ(Row(page->View(), 0), Bytes{0x81});
    EXPECT_EQ(Row(page->View(), 1), Bytes{0xF0});

    Dib blackFirst = whiteFirst;
    blackFirst.table = {0x000000, 0xFFFFFF};
    blackFirst.height = -2;  // top-down
    page = PageFromDib(blackFirst.Block());
    ASSERT_TRUE(page);
    EXPECT_EQ(page->View().format, PixelFormat::BlackWhite1);
    EXPECT_EQ(Row(page->View(), 0), Bytes{0x0F});
    EXPECT_EQ(Row(page->View(), 1), Bytes{0x7E});
}

TEST(DibPage, GreyTablesGiveGreyPages) {
    Dib ramp{.width = 3, .height = 1, .bits = 8, .pixels = {0, 128, 255, 0}};
    for (std::uint32_t i = 0; i < 256; ++i) ramp.table.push_back(i * 0x010101);
    auto page = PageFromDib(ramp.Block());
    ASSERT_TRUE(page);
    EXPECT_EQ(page->View().format, PixelFormat::Gray8);
    EXPECT_EQ(Row(page->View(), 0), (Bytes{0, 128, 255}));

    Dib sixteen{.width = 3, .height = 1, .bits = 4, .pixels = {0x0F, 0x80, 0, 0}};
    for (std::uint32_t i = 0; i < 16; ++i) sixteen.table.push_back(i * 17 * 0x010101);
    page = PageFromDib(sixteen.Block());
    ASSERT_TRUE(page);
    EXPECT_EQ(page->View().format, PixelFormat::Gray8);
    EXPECT_EQ(Row(page->View(), 0), (Bytes{0, 255, 136}));

    // Two greys that are not black and white: still grey, never a guessed bilevel page.
    Dib twoGreys{.width = 2, .height = 1, .bits = 1, .table = {0x404040, 0xC0C0C0}, .pixels = {0x40, 0, 0, 0}};
    page = PageFromDib(twoGreys.Block());
    ASSERT_TRUE(page);
    EXPECT_EQ(page->View().format, PixelFormat::Gray8);
    EXPECT_EQ(Row(page->View(), 0), (Bytes{0x40, 0xC0}));
}

TEST(DibPage, ColourTablesAndDirectColourGiveRgbPages) {
    // Index 3 lies past the two entries used and reads as black.
    Dib palette{.width = 3, .height = 1, .bits = 8, .clrUsed = 2, .table = {0x102030, 0xA0B0C0}, .pixels = {1, 0, 3, 0}};
    auto page = PageFromDib(palette.Block());
    ASSERT_TRUE(page);
    EXPECT_EQ(page->View().format, PixelFormat::Rgb24);
    EXPECT_EQ(Row(page->View(), 0), (Bytes{0xA0, 0xB0, 0xC0, 0x10, 0x20, 0x30, 0, 0, 0}));

    Dib bgr{.width = 2, .height = 2, .bits = 24, .pixels = {1, 2, 3, 4, 5, 6, 0, 0, 7, 8, 9, 10, 11, 12, 0, 0}};
    page = PageFromDib(bgr.Block());
    ASSERT_TRUE(page);
    EXPECT_EQ(Row(page->View(), 0), (Bytes{9, 8, 7, 12, 11, 10}));
    EXPECT_EQ(Row(page->View(), 1), (Bytes{3, 2, 1, 6, 5, 4}));

    Dib rgb555{.width = 2, .height = 1, .bits = 16, .pixels = {0x00, 0x7C, 0x1F, 0x00}};
    page = PageFromDib(rgb555.Block());
    ASSERT_TRUE(page);
    EXPECT_EQ(Row(page->View(), 0), (Bytes{255, 0, 0, 0, 0, 255}));

    Dib rgb565{.width = 1, .height = 1, .bits = 16, .compression = 3, .masks = {0xF800, 0x07E0, 0x001F}, .pixels = {0xE0, 0x07, 0, 0}};
    page = PageFromDib(rgb565.Block());
    ASSERT_TRUE(page);
    EXPECT_EQ(Row(page->View(), 0), (Bytes{0, 255, 0}));

    Dib bgrx{.width = 1, .height = 1, .bits = 32, .pixels = {0x30, 0x20, 0x10, 0xFF}};
    page = PageFromDib(bgrx.Block());
    ASSERT_TRUE(page);
    EXPECT_EQ(Row(page->View(), 0), (Bytes{0x10, 0x20, 0x30}));

    // A V5 header holds its own masks; here red is the low byte.
    Dib v5{.headerSize = 124, .width = 1, .height = -1, .bits = 32, .compression = 3,
           .masks = {0x000000FF, 0x0000FF00, 0x00FF0000}, .pixels = {0x11, 0x22, 0x33, 0x00}};
    page = PageFromDib(v5.Block());
    ASSERT_TRUE(page);
    EXPECT_EQ(Row(page->View(), 0), (Bytes{0x11, 0x22, 0x33}));
}

TEST(DibPage, ResolutionInWholeDotsPerInchWhereThePixelsPerMetreAgree) {
    struct Case {
        std::int32_t ppm;
        double dpi;
    };
    for (const Case c : {Case{11811, 300}, Case{2835, 72}, Case{3937, 100}, Case{23622, 600}, Case{1234, 31.34},
                         Case{0, 0}, Case{-5, 0}}) {
        EXPECT_DOUBLE_EQ(DpiFromPelsPerMeter(c.ppm), c.dpi) << c.ppm;
    }
    Dib dib{.xPpm = 11811, .yPpm = 7874, .pixels = {0, 0, 0, 0}};
    const auto page = PageFromDib(dib.Block());
    ASSERT_TRUE(page);
    EXPECT_EQ(page->View().xDpi, 300);
    EXPECT_EQ(page->View().yDpi, 200);
}

TEST(DibPage, RefusesWhatItCannotReadInsideTheBlock) {
    const Dib rgb{.width = 3, .height = 2, .pixels = Bytes(24, 7)};
    Bytes cut = rgb.Block();
    cut.pop_back();
    EXPECT_FALSE(PageFromDib(cut));
    // A small biSizeImage does not let the rows run past the block.
    Bytes lying = cut;
    Put(lying, 20, 4, 4);
    EXPECT_FALSE(PageFromDib(lying));
    EXPECT_FALSE(PageFromDib(Dib{.bits = 8, .compression = 1, .table = std::vector<std::uint32_t>(256), .pixels = Bytes(8, 0)}.Block()));
    EXPECT_FALSE(PageFromDib(Dib{.compression = 4, .pixels = Bytes(8, 0)}.Block()));
    EXPECT_FALSE(PageFromDib(Dib{.compression = 3, .masks = {0xFF, 0xFF00, 0xFF0000}, .pixels = Bytes(8, 0)}.Block()));
    EXPECT_FALSE(PageFromDib(Dib{.width = 0, .pixels = Bytes(8, 0)}.Block()));
    EXPECT_FALSE(PageFromDib(Bytes{40, 0, 0}));
    EXPECT_FALSE(PageFromDib(Dib{.width = 0x7FFFFFFF, .height = 0x7FFFFFFF}.Block()));
}

TEST(BmpWriter, RefusesBadPagesAndReportsAFailingSink) {
    MemorySink sink;
    EXPECT_FALSE(WriteBmp(PageImage{}, sink));
    const auto page = testing::SamplePage(PixelFormat::Gray8, 4, 4, 1, testing::Content::Noise, 1);
    EXPECT_EQ(testing::FailureAtEveryCall([&](ByteSink& s) { return WriteBmp(page->page, s); }), "");
}

}  // namespace
}  // namespace vantrel::imaging
