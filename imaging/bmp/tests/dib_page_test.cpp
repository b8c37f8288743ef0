// Packed DIBs of every depth a driver hands over, read into top-down pages.
#include "imaging/bmp/dib_page.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "imaging/bmp/tests/dib_builder.h"

namespace vantrel::imaging {
namespace {

using testing::Bytes;
using testing::Dib;

std::vector<std::uint32_t> Greys(std::uint32_t count, std::uint32_t step) {
    std::vector<std::uint32_t> table;
    for (std::uint32_t i = 0; i < count; ++i) table.push_back(i * step * 0x010101);
    return table;
}

TEST(DibPage, EachDepthAndTableGivesItsFormatTopDown) {
    const Bytes twoRows{0xF0, 0, 0, 0, 0x81, 0, 0, 0};
    const struct {
        const char* name;
        Dib dib;
        PixelFormat format;
        std::vector<Bytes> rows;
    } cases[] = {
        // Bottom-up unless the height is negative: the first stored row is the page's last.
        {"1 bit, white first", {.width = 8, .height = 2, .bits = 1, .table = {0xFFFFFF, 0}, .pixels = twoRows},
         PixelFormat::BlackWhite1, {{0x81}, {0xF0}}},
        {"1 bit, black first, top-down", {.width = 8, .height = -2, .bits = 1, .table = {0, 0xFFFFFF}, .pixels = twoRows},
         PixelFormat::BlackWhite1, {{0x0F}, {0x7E}}},
        // Some drivers leave the two entries out: a monochrome bitmap's 0 is black.
        {"1 bit without a table", {.width = 8, .height = 2, .bits = 1, .pixels = twoRows}, PixelFormat::BlackWhite1, {{0x7E}, {0x0F}}},
        {"8 bit greys", {.width = 3, .bits = 8, .table = Greys(256, 1), .pixels = {0, 128, 255, 0}}, PixelFormat::Gray8, {{0, 128, 255}}},
        {"4 bit greys", {.width = 3, .bits = 4, .table = Greys(16, 17), .pixels = {0x0F, 0x80, 0, 0}}, PixelFormat::Gray8, {{0, 255, 136}}},
        // Two greys that are not black and white: still grey, never a guessed bilevel page.
        {"1 bit, two greys", {.width = 2, .bits = 1, .table = {0x404040, 0xC0C0C0}, .pixels = {0x40, 0, 0, 0}}, PixelFormat::Gray8, {{0x40, 0xC0}}},
        // Index 3 lies past the two entries used and reads as black.
        {"8 bit colours", {.width = 3, .bits = 8, .clrUsed = 2, .table = {0x102030, 0xA0B0C0}, .pixels = {1, 0, 3, 0}},
         PixelFormat::Rgb24, {{0xA0, 0xB0, 0xC0, 0x10, 0x20, 0x30, 0, 0, 0}}},
        {"24 bit", {.width = 2, .height = 2, .pixels = {1, 2, 3, 4, 5, 6, 0, 0, 7, 8, 9, 10, 11, 12, 0, 0}},
         PixelFormat::Rgb24, {{9, 8, 7, 12, 11, 10}, {3, 2, 1, 6, 5, 4}}},
        {"16 bit 555", {.width = 2, .bits = 16, .pixels = {0x00, 0x7C, 0x1F, 0x00}}, PixelFormat::Rgb24, {{255, 0, 0, 0, 0, 255}}},
        {"16 bit 565 bitfields", {.bits = 16, .compression = 3, .masks = {0xF800, 0x07E0, 0x001F}, .pixels = {0xE0, 0x07, 0, 0}},
         PixelFormat::Rgb24, {{0, 255, 0}}},
        {"32 bit", {.bits = 32, .pixels = {0x30, 0x20, 0x10, 0xFF}}, PixelFormat::Rgb24, {{0x10, 0x20, 0x30}}},
        // A V5 header holds its own masks; here red is the low byte.
        {"V5 bitfields", {.headerSize = 124, .height = -1, .bits = 32, .compression = 3, .masks = {0xFF, 0xFF00, 0xFF0000},
          .pixels = {0x11, 0x22, 0x33, 0x00}}, PixelFormat::Rgb24, {{0x11, 0x22, 0x33}}},
    };
    for (const auto& c : cases) {
        const auto page = PageFromDib(c.dib.Block());
        ASSERT_TRUE(page) << c.name;
        EXPECT_EQ(page->View().format, c.format) << c.name;
        for (std::uint32_t y = 0; y < c.rows.size(); ++y) {
            const auto row = page->View().Row(y);
            EXPECT_EQ(Bytes(row.begin(), row.end()), c.rows[y]) << c.name << " row " << y;
        }
    }
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

// Headers the plan refuses are PlanBmpFile's (dib_layout_test.cpp); here, what only reading the pixels meets.
TEST(DibPage, RefusesWhatItCannotReadInsideTheBlock) {
    const Dib rgb{.width = 3, .height = 2, .pixels = Bytes(24, 7)};
    Bytes cut = rgb.Block();
    cut.pop_back();
    EXPECT_FALSE(PageFromDib(cut));
    // A small biSizeImage does not let the rows run past the block.
    Bytes lying = cut;
    testing::Put(lying, 20, 4, 4);
    EXPECT_FALSE(PageFromDib(lying));
    // One byte short of a 1-bit page's rows, with or without its table: partial rows are never guessed at.
    EXPECT_FALSE(PageFromDib(Dib{.width = 8, .height = 2, .bits = 1, .pixels = Bytes(7, 0)}.Block()));
    EXPECT_FALSE(PageFromDib(Dib{.width = 8, .height = 2, .bits = 1, .table = {0, 0xFFFFFF}, .pixels = Bytes(7, 0)}.Block()));
    EXPECT_FALSE(PageFromDib(Dib{.bits = 8, .compression = 1, .table = std::vector<std::uint32_t>(256), .pixels = Bytes(8, 0)}.Block()));
    EXPECT_FALSE(PageFromDib(Dib{.compression = 4, .pixels = Bytes(8, 0)}.Block()));
    EXPECT_FALSE(PageFromDib(Dib{.compression = 3, .masks = {0xFF, 0xFF00, 0xFF0000}, .pixels = Bytes(8, 0)}.Block()));
}

}  // namespace
}  // namespace vantrel::imaging
