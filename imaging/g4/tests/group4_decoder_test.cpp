// Group 4 data decoded back: our encoder's pages come back bit for bit, and damaged data is refused, not misread.
#include "imaging/g4/group4_decoder.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "imaging/g4/group4_encoder.h"
#include "imaging/tests/test_pages.h"

namespace vantrel::imaging {
namespace {

using testing::Content;

// Widths around a byte's and the longest make-up code's edges; runs from 1 pixel to several make-up codes.
TEST(DecodeGroup4, GivesBackEveryPageTheEncoderCoded) {
    const struct {
        std::uint32_t width, height, seed;
        bool random;  // RandomPage's runs; otherwise the striped strokes of a scan
    } pages[] = {{1, 1, 1, true}, {7, 5, 2, true}, {8, 3, 3, false}, {63, 40, 4, true}, {1728, 30, 5, true},
                 {2561, 9, 6, true}, {6000, 4, 7, true}, {850, 110, 8, false}};
    for (const auto& p : pages) {
        SCOPED_TRACE(p.width);
        const auto owned = p.random ? testing::RandomPage(p.width, p.height, 3, p.seed)
                                    : testing::SamplePage(PixelFormat::BlackWhite1, p.width, p.height, 2, Content::Smooth, p.seed);
        const auto coded = EncodeGroup4(owned->page);
        const auto decoded = DecodeGroup4(coded, p.width, p.height);
        ASSERT_TRUE(decoded.has_value());
        EXPECT_TRUE(std::ranges::equal(decoded->View().pixels, testing::PackedRows(owned->page)));
    }
}

TEST(DecodeGroup4, RefusesDataThatIsNotThisPage) {
    const auto owned = testing::RandomPage(300, 20, 0, 9);
    const auto coded = EncodeGroup4(owned->page);
    auto damaged = coded;
    damaged[damaged.size() / 2] ^= 0xFF;
    const std::vector<std::uint8_t> withoutEnd(coded.begin(), coded.end() - 3);  // the end-of-block's 24 bits gone
    const struct {
        const char* what;
        std::vector<std::uint8_t> bytes;
        std::uint32_t width, height;
        bool decodes;
    } cases[] = {
        {"the page", coded, 300, 20, true},
        {"no end-of-block", withoutEnd, 300, 20, true},
        {"cut in half", {coded.begin(), coded.begin() + static_cast<long>(coded.size() / 2)}, 300, 20, false},
        {"a byte damaged", damaged, 300, 20, false},
        {"fewer rows than coded", coded, 300, 19, false},
        {"more rows than coded", coded, 300, 21, false},
        {"wider than coded", coded, 301, 20, false},
        {"empty", {}, 300, 20, false},
    };
    for (const auto& c : cases) EXPECT_EQ(DecodeGroup4(c.bytes, c.width, c.height).has_value(), c.decodes) << c.what;
}

}  // namespace
}  // namespace vantrel::imaging
