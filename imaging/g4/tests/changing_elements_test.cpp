// FindChanges against a pixel-by-pixel scan, around the word boundaries its 64-bit steps have.
#include "imaging/g4/changing_elements.h"

#include <gtest/gtest.h>

#include <vector>

#include "imaging/g4/tests/bitonal_pages.h"

namespace vantrel::imaging {
namespace {

std::vector<std::uint32_t> ChangesPixelByPixel(const PageImage& page, std::uint32_t y) {
    std::vector<std::uint32_t> changes;
    bool previous = false;
    for (std::uint32_t x = 0; x < page.width; ++x) {
        const bool black = testing::GetPixel(page, x, y);
        if (black != previous) changes.push_back(x);
        previous = black;
    }
    changes.insert(changes.end(), kChangeSentinels, page.width);
    return changes;
}

TEST(FindChanges, RunsAcrossWordBoundaries) {
    struct Case {
        std::uint32_t width, blackFrom, blackTo;
        std::vector<std::uint32_t> expected;  // before the sentinels
    };
    const std::vector<Case> cases = {
        {1, 0, 1, {0}},          {1, 0, 0, {}},           {64, 63, 64, {63}},      {65, 63, 64, {63, 64}},
        {65, 64, 65, {64}},      {130, 0, 128, {0, 128}}, {130, 127, 129, {127, 129}}, {200, 64, 128, {64, 128}},
        {9, 8, 9, {8}},          {71, 70, 71, {70}},
    };
    for (const Case& c : cases) {
        auto owned = testing::WhitePage(c.width, 1, 3, c.width);
        // Junk after the row's last pixel must not read as a change.
        owned->pixels.back() = 0xFF;
        for (std::uint32_t x = c.blackFrom; x < c.blackTo; ++x) testing::SetPixel(*owned, x, 0, true);
        std::vector<std::uint32_t> changes{99};
        FindChanges(owned->page.Row(0), c.width, changes);
        auto expected = c.expected;
        expected.insert(expected.end(), kChangeSentinels, c.width);
        EXPECT_EQ(changes, expected) << c.width << " " << c.blackFrom << ".." << c.blackTo;
    }
}

TEST(FindChanges, MatchesAPixelScanOnRandomRows) {
    for (std::uint32_t width = 1; width <= 300; ++width) {
        const auto owned = testing::RandomPage(width, 3, width % 4, width);
        std::vector<std::uint32_t> changes;
        for (std::uint32_t y = 0; y < 3; ++y) {
            FindChanges(owned->page.Row(y), width, changes);
            EXPECT_EQ(changes, ChangesPixelByPixel(owned->page, y)) << width << " row " << y;
        }
    }
}

}  // namespace
}  // namespace vantrel::imaging
