// Paper names as clients write them.
#include "engine/paper_sizes.h"

#include <gtest/gtest.h>

namespace vantrel::engine {
namespace {

TEST(PaperSizes, NamesMatchWithoutCaseAndWithTwainSpellings) {
    const struct {
        const char* name;
        std::uint16_t twss;
    } cases[] = {{"A4", 1}, {"a4", 1}, {"TWSS_A4", 1}, {"Letter", 3}, {"USLetter", 3}, {"twss_usletter", 3},
                 {"Legal", 4}, {"A5", 5}, {"ISOB4", 6}, {"Executive", 10}};
    for (const auto& c : cases) {
        const auto size = FindPaperSize(std::string_view(c.name));
        ASSERT_TRUE(size) << c.name;
        EXPECT_EQ(size->twss, c.twss) << c.name;
    }
    EXPECT_FALSE(FindPaperSize(std::string_view("A44")));
    EXPECT_FALSE(FindPaperSize(std::string_view("")));
    EXPECT_FALSE(FindPaperSize(std::string_view("us")));
}

}  // namespace
}  // namespace vantrel::engine
