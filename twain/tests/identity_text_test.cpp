// Cutting client texts to the identity's 32-byte text fields.
#include "twain/identity_text.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace vantrel {
namespace {

// Shift-JIS lead bytes, as IsDBCSLeadByte reports them for code page 932.
bool ShiftJisLead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }
bool NoLead(unsigned char) { return false; }

struct FitCase {
    const char* name;
    std::string text;
    std::size_t expected;
};

TEST(IdentityText, FitsAtCharacterBoundaries) {
    const std::string sjisPair = "\x82\xA0";  // one double-byte character
    const FitCase cases[] = {
        {"empty", "", 0},
        {"short", "Vantrel Demo", 12},
        {"exactly 32", std::string(32, 'a'), 32},
        {"40 single bytes cut to 32", std::string(40, 'b'), 32},
        {"pair ending at 32", std::string(30, 'a') + sjisPair + "zz", 32},
        {"pair straddling 32 left out", std::string(31, 'a') + sjisPair, 31},
        {"sixteen pairs fit", [&] { std::string s; for (int i = 0; i < 17; ++i) s += sjisPair; return s; }(), 32},
        {"dangling lead byte at the end counts as one", std::string(5, 'a') + "\x82", 6},
    };
    for (const auto& c : cases) EXPECT_EQ(FittingTextLength(c.text, 32, ShiftJisLead), c.expected) << c.name;
}

TEST(IdentityText, WritesZeroTerminatedZeroPaddedField) {
    char field[34];
    std::memset(field, 0x55, sizeof field);
    WriteIdentityText(field, sizeof field, std::string(40, 'x'), NoLead);
    EXPECT_EQ(std::string(field, 32), std::string(32, 'x'));
    EXPECT_EQ(field[32], 0);
    EXPECT_EQ(field[33], 0);

    std::memset(field, 0x55, sizeof field);
    WriteIdentityText(field, sizeof field, "TWAIN", NoLead);
    EXPECT_STREQ(field, "TWAIN");
    for (std::size_t i = 5; i < sizeof field; ++i) EXPECT_EQ(field[i], 0) << "byte " << i;
}

}  // namespace
}  // namespace vantrel
