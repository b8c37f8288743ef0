// Group 4 coding checked against code sequences derived by hand from the T.4 tables, and round trips through the
// test decoder for pages of every shape.
#include "imaging/g4/group4_encoder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "imaging/g4/tests/bitonal_pages.h"
#include "imaging/g4/tests/group4_test_decoder.h"

namespace vantrel::imaging {
namespace {

constexpr const char* kEndOfBlock = "000000000001000000000001";

// A page from rows of '0' (white) and '1' (black), its padding bits and one padding byte per row set, to be ignored.
struct RowPage {
    explicit RowPage(const std::vector<std::string>& rows) {
        const auto width = static_cast<std::uint32_t>(rows.front().size());
        const std::uint64_t stride = MinimumStride(PixelFormat::BlackWhite1, width) + 1;
        pixels.assign(static_cast<std::size_t>(stride * rows.size()), 0xFF);
        for (std::size_t y = 0; y < rows.size(); ++y) {
            for (std::uint32_t x = 0; x < width; ++x) {
                if (rows[y][x] == '0') pixels[static_cast<std::size_t>(stride * y + x / 8)] &= static_cast<std::uint8_t>(~(0x80 >> (x % 8)));
            }
        }
        page = PageImage{.width = width, .height = static_cast<std::uint32_t>(rows.size()), .format = PixelFormat::BlackWhite1,
                         .stride = stride, .xDpi = 0, .yDpi = 0, .pixels = pixels};
    }
    std::vector<std::uint8_t> pixels;
    PageImage page;
};

std::string BitsOf(const std::vector<std::uint8_t>& bytes) {
    std::string bits;
    for (const std::uint8_t byte : bytes) {
        for (int i = 7; i >= 0; --i) bits += (byte >> i) & 1 ? '1' : '0';
    }
    return bits;
}

// The codes (spaces between them for reading), the end-of-block, and zero bits to the byte boundary.
std::string Coded(std::string codes) {
    std::erase(codes, ' ');
    codes += kEndOfBlock;
    codes.append((8 - codes.size() % 8) % 8, '0');
    return codes;
}

std::string Row(std::uint32_t width, std::uint32_t blackFrom, std::uint32_t blackTo) {
    std::string row(width, '0');
    for (std::uint32_t x = blackFrom; x < blackTo; ++x) row[x] = '1';
    return row;
}

struct HandCase {
    const char* name;
    std::vector<std::string> rows;
    const char* codes;
};

TEST(Group4Encoder, CodesMatchSequencesDerivedFromTheTables) {
    const std::vector<HandCase> cases = {
        // b1 = b2 = a1 = width against the imaginary white row: V0.
        {"white row", {"00000000"}, "1"},
        {"white pixel", {"0"}, "1"},
        // a1 = 0 is 8 from b1: horizontal, white 0 then black 8.
        {"black row", {"11111111"}, "001 00110101 000101"},
        // a1 = 0, b1 = 1: VL1; then a1 = b1 = 1: V0.
        {"black pixel", {"1"}, "010 1"},
        // The white run before a1 = 2 and the black one to a2 = 4 (horizontal); then V0 at the width. Below it a white
        // row: b2 = 4 lies left of a1 = 16, so pass; then V0.
        {"pass mode", {Row(16, 2, 4), Row(16, 0, 0)}, "001 0111 11 1   0001 1"},
        // Horizontal, then below: b1 = 4 but a1 = 8 (too far for vertical), white 8 and black 4.
        {"horizontal below", {Row(16, 4, 8), Row(16, 8, 12)}, "001 1011 011 1   001 10011 011 1"},
        // Horizontal, then VL2 (2 against b1 = 4), VL1 (3 against 4), V0.  Below the same row: five V0.
        {"alternating", {"1010", "1010"}, "001 00110101 010 000010 010 1   1 1 1 1 1"},
        // White 70 = make-up 64 + 6, black 30.
        {"white make-up", {Row(100, 70, 100)}, "001 11011 1110 000001101000"},
        // White 10, black 190 = make-up 128 + 62.
        {"black make-up", {Row(200, 10, 200)}, "001 00111 000011001000 000001100110"},
        // White 1900 = shared make-up 1856 + 44, black 100 = make-up 64 + 36.
        {"shared make-up", {Row(2000, 1900, 2000)}, "001 00000001100 00101101 0000001111 000011010100"},
        // White 2700 = 2560 + make-up 128 + 12, black 300 = make-up 256 + 44.
        {"run past 2560", {Row(3000, 2700, 3000)}, "001 000000011111 10010 001000 000001011011 000001010100"},
        // White 0, black 6000 = 2560 + 2560 + make-up 832 + 48.
        {"run past 5120", {Row(6000, 0, 6000)}, "001 00110101 000000011111 000000011111 0000001001101 000001100100"},
        // Exactly 2560 white: make-up 2560 and terminating 0; then black 40.
        {"run of 2560", {Row(2600, 2560, 2600)}, "001 000000011111 00110101 000001101100"},
    };
    for (const HandCase& c : cases) {
        const RowPage page(c.rows);
        EXPECT_EQ(BitsOf(EncodeGroup4(page.page)), Coded(c.codes)) << c.name;
    }
}

TEST(Group4Encoder, VerticalModesForEveryOffsetUpToThree) {
    // Above: black at 4..8 (horizontal: white 4, black 4, V0). Below, the same run moved by d: both its edges code
    // as V(d) against b1 = 4 and b1 = 8, then V0 at the width.
    const char* const codes[] = {"0000010", "000010", "010", "1", "011", "000011", "0000011"};
    for (int d = -3; d <= 3; ++d) {
        const RowPage page({Row(16, 4, 8), Row(16, static_cast<std::uint32_t>(4 + d), static_cast<std::uint32_t>(8 + d))});
        const std::string v = codes[d + 3];
        EXPECT_EQ(BitsOf(EncodeGroup4(page.page)), Coded("001 1011 011 1 " + v + v + "1")) << "d = " << d;
    }
}

void ExpectRoundTrip(const PageImage& page) {
    const auto coded = EncodeGroup4(page);
    ASSERT_FALSE(coded.empty());
    const auto decoded = testing::DecodeGroup4(coded, page.width, page.height);
    ASSERT_TRUE(decoded.has_value()) << page.width << "x" << page.height;
    EXPECT_TRUE(*decoded == testing::PackedRows(page)) << page.width << "x" << page.height;
}

TEST(Group4Encoder, RandomPagesOfManyWidthsRoundTrip) {
    const std::uint32_t widths[] = {1,    2,    3,    7,    8,    9,    15,   16,   17,   31,   63,    64,   65,
                                    127,  128,  129,  1000, 1727, 1728, 1729, 2559, 2560, 2561, 2623,  2624, 4000,
                                    5119, 5120, 5121, 7777, 9999, 10000, 10001, 12345};
    std::uint32_t seed = 1;
    for (const std::uint32_t width : widths) {
        for (std::uint32_t padding = 0; padding < 4; padding += 3) {
            const auto owned = testing::RandomPage(width, 1 + seed % 9, padding, seed);
            ExpectRoundTrip(owned->page);
            ++seed;
        }
    }
}

TEST(Group4Encoder, UniformPagesRoundTrip) {
    for (const std::uint32_t width : {1u, 9u, 2560u, 10000u}) {
        auto owned = testing::WhitePage(width, 5, 2);
        ExpectRoundTrip(owned->page);
        for (std::uint32_t y = 0; y < 5; ++y) {
            for (std::uint32_t x = 0; x < width; ++x) testing::SetPixel(*owned, x, y, true);
        }
        ExpectRoundTrip(owned->page);
    }
}

TEST(Group4Encoder, TextPageAtA4300DpiIsSmallAndRoundTrips) {
    const auto owned = testing::TextPage(2480, 3508, 2, 5, 300);
    const auto started = std::chrono::steady_clock::now();
    const auto coded = EncodeGroup4(owned->page);
    const auto took = std::chrono::steady_clock::now() - started;
    std::printf("A4 300 dpi text page: %zu bytes of Group 4 in %lld us\n", coded.size(),
                static_cast<long long>(std::chrono::duration_cast<std::chrono::microseconds>(took).count()));
    EXPECT_LE(coded.size(), 310u * 3508u / 10u);
    const auto decoded = testing::DecodeGroup4(coded, 2480, 3508);
    ASSERT_TRUE(decoded.has_value());
    EXPECT_TRUE(*decoded == testing::PackedRows(owned->page));
}

TEST(Group4Encoder, RefusesPagesItCannotCode) {
    const auto owned = testing::RandomPage(20, 3, 1, 9);
    PageImage grey = owned->page;
    grey.format = PixelFormat::Gray8;
    PageImage noWidth = owned->page;
    noWidth.width = 0;
    PageImage narrowStride = owned->page;
    narrowStride.stride = 2;
    PageImage shortPixels = owned->page;
    shortPixels.pixels = shortPixels.pixels.first(shortPixels.pixels.size() - 1 - 1);
    for (const PageImage& page : {grey, noWidth, narrowStride, shortPixels}) EXPECT_TRUE(EncodeGroup4(page).empty());
    // The last row needs only its own bytes, not a whole stride.
    PageImage exact = owned->page;
    exact.pixels = exact.pixels.first(exact.pixels.size() - 1);
    ExpectRoundTrip(exact);
}

}  // namespace
}  // namespace vantrel::imaging
