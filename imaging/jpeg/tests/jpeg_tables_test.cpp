// The fixed tables against the JPEG standard's own statement of them, and the quality scaling.
#include "imaging/jpeg/jpeg_tables.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>

namespace vantrel::imaging::jpeg {
namespace {

// Walks the anti-diagonals as Figure A.6 draws them: down-left on odd diagonals, up-right on even ones.
TEST(JpegTables, ZigzagFollowsTheAntiDiagonals) {
    std::array<std::uint8_t, 64> walked{};
    std::size_t k = 0;
    for (int diagonal = 0; diagonal < 15; ++diagonal) {
        const int first = std::max(0, diagonal - 7), last = std::min(diagonal, 7);
        for (int i = first; i <= last; ++i) {
            const int row = diagonal % 2 == 1 ? i : diagonal - i;
            walked[k++] = static_cast<std::uint8_t>(row * 8 + (diagonal - row));
        }
    }
    EXPECT_EQ(walked, kZigzagToNatural);
}

TEST(JpegTables, QualityFiftyKeepsAnnexKTables) {
    EXPECT_EQ(ScaleQuantTable(kLuminanceQuant, 50), kLuminanceQuant);
    EXPECT_EQ(ScaleQuantTable(kChrominanceQuant, 50), kChrominanceQuant);
    // Corners and a few inner entries of Tables K.1 and K.2.
    EXPECT_EQ(kLuminanceQuant[0], 16);
    EXPECT_EQ(kLuminanceQuant[7], 61);
    EXPECT_EQ(kLuminanceQuant[36], 68);
    EXPECT_EQ(kLuminanceQuant[56], 72);
    EXPECT_EQ(kLuminanceQuant[63], 99);
    EXPECT_EQ(kChrominanceQuant[0], 17);
    EXPECT_EQ(kChrominanceQuant[18], 56);
    EXPECT_EQ(kChrominanceQuant[24], 47);
    EXPECT_EQ(kChrominanceQuant[63], 99);
}

TEST(JpegTables, ScalesLikeTheUsualQualityConvention) {
    const struct { int quality; QuantTable expectedFirstRow; } cases[] = {
        // First luminance row at the qualities commonly quoted for this convention.
        {75, {8, 6, 5, 8, 12, 20, 26, 31}},
        {90, {3, 2, 2, 3, 5, 8, 10, 12}},
        {25, {32, 22, 20, 32, 48, 80, 102, 122}},
        {10, {80, 55, 50, 80, 120, 200, 255, 255}},
    };
    for (const auto& c : cases) {
        const QuantTable scaled = ScaleQuantTable(kLuminanceQuant, c.quality);
        EXPECT_TRUE(std::equal(scaled.begin(), scaled.begin() + 8, c.expectedFirstRow.begin())) << c.quality;
    }
}

TEST(JpegTables, ExtremeQualitiesClampToTheBaselineRange) {
    for (const QuantTable* base : {&kLuminanceQuant, &kChrominanceQuant}) {
        for (const int best : {100, 101, 1000}) {
            const QuantTable table = ScaleQuantTable(*base, best);
            EXPECT_TRUE(std::all_of(table.begin(), table.end(), [](int v) { return v == 1; })) << best;
        }
        for (const int worst : {1, 0, -7}) {
            const QuantTable table = ScaleQuantTable(*base, worst);
            EXPECT_TRUE(std::all_of(table.begin(), table.end(), [](int v) { return v == 255; })) << worst;
        }
    }
}

TEST(JpegTables, HigherQualityNeverCoarsensAnEntry) {
    for (int q = 1; q < 100; ++q) {
        const QuantTable lower = ScaleQuantTable(kLuminanceQuant, q);
        const QuantTable higher = ScaleQuantTable(kLuminanceQuant, q + 1);
        for (std::size_t i = 0; i < 64; ++i) EXPECT_GE(lower[i], higher[i]) << "quality " << q << " entry " << i;
    }
}

std::size_t CodeCount(const HuffmanTable& table) {
    std::size_t count = 0;
    for (const std::uint8_t n : table.counts) count += n;
    return count;
}

TEST(JpegTables, DcTablesCodeTheTwelveCategories) {
    for (const HuffmanTable* table : {&kLuminanceDc, &kChrominanceDc}) {
        EXPECT_EQ(CodeCount(*table), table->symbols.size());
        EXPECT_EQ(std::set<int>(table->symbols.begin(), table->symbols.end()), (std::set<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}));
    }
}

// Every baseline run/size pair (runs 0..15, sizes 1..10), EOB and ZRL, each once.
TEST(JpegTables, AcTablesCodeEveryBaselineSymbolOnce) {
    std::multiset<int> expected = {0x00, 0xF0};
    for (int run = 0; run < 16; ++run)
        for (int size = 1; size <= 10; ++size) expected.insert(run << 4 | size);
    for (const HuffmanTable* table : {&kLuminanceAc, &kChrominanceAc}) {
        EXPECT_EQ(CodeCount(*table), 162u);
        EXPECT_EQ(std::multiset<int>(table->symbols.begin(), table->symbols.end()), expected);
    }
}

}  // namespace
}  // namespace vantrel::imaging::jpeg
