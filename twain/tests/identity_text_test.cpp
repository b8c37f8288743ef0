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

// The text as it fits, then zeros to the field's end: the field's old bytes never show through.
TEST(IdentityText, WritesZeroTerminatedZeroPaddedField) {
    for (const auto& [text, kept] : {std::pair<std::string, std::size_t>{std::string(40, 'x'), 32}, {"TWAIN", 5}}) {
        char field[34];
        std::memset(field, 0x55, sizeof field);
        WriteIdentityText(field, sizeof field, text, NoLead);
        EXPECT_EQ(std::string(field, sizeof field), text.substr(0, kept) + std::string(sizeof field - kept, '\0'));
    }
}

}  // namespace
}  // namespace vantrel
