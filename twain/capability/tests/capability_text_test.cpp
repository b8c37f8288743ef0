// A capability's value in words, read by each item type, and the values that must be refused before any source sees them.
#include "twain/capability/capability_text.h"

#include "twain/twain_records.h"

#include <gtest/gtest.h>

namespace {

// Numbered as TWAIN numbers them; the records header names only what the engine uses.
constexpr std::uint16_t kCapAuthor = 0x1000;
constexpr std::int64_t kTwptRgb = 2;

using namespace vantrel::capability;
namespace tw = vantrel::twain;

TEST(CapabilityText, ValuesByItemType) {
    const struct {
        const char* name;
        const char* text;
        std::uint16_t capability;
        ItemType type;
        Item item;
    } cases[] = {
        {"ICAP_PIXELTYPE", "TWPT_GRAY", tw::ICAP_PIXELTYPE, ItemType::UInt16, std::int64_t{tw::TWPT_GRAY}},
        {"icap_pixeltype", "twpt_rgb", tw::ICAP_PIXELTYPE, ItemType::UInt16, kTwptRgb},
        {"0x0101", "0", tw::ICAP_PIXELTYPE, ItemType::UInt16, std::int64_t{0}},
        {"CAP_DUPLEXENABLED", "TRUE", tw::CAP_DUPLEXENABLED, ItemType::Bool, true},
        {"CAP_FEEDERENABLED", "off", tw::CAP_FEEDERENABLED, ItemType::Bool, false},
        {"ICAP_BRIGHTNESS", "-250.5", tw::ICAP_BRIGHTNESS, ItemType::Fix32, -250.5},
        {"CAP_XFERCOUNT", "-1", tw::CAP_XFERCOUNT, ItemType::Int16, std::int64_t{-1}},
        {"CAP_XFERCOUNT", "0x10", tw::CAP_XFERCOUNT, ItemType::Int16, std::int64_t{16}},
        {"CAP_AUTHOR", "Jane Doe", kCapAuthor, ItemType::Str128, std::string("Jane Doe")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const auto info = FindNamedCapability(c.name);
        ASSERT_TRUE(info);
        EXPECT_EQ(info->number, c.capability);
        const auto value = ReadValueText(*info, c.text);
        ASSERT_TRUE(value);
        EXPECT_EQ(value->type, c.type);
        EXPECT_EQ(value->item, c.item);
    }
    EXPECT_FALSE(FindNamedCapability("ICAP_NOSUCH"));
    EXPECT_FALSE(FindNamedCapability("70000"));
    EXPECT_EQ(AsciiOf(L"J\u00f6rg"), std::nullopt);
}

TEST(CapabilityText, RefusedValuesSayWhatIsAccepted) {
    const struct {
        const char* name;
        const char* text;
        const char* accepted;
    } cases[] = {
        {"ICAP_PIXELTYPE", "TWDX_1PASSDUPLEX", "a whole number from 0 to 65535 or a TWPT_ name"},  // another family's constant
        {"ICAP_PIXELTYPE", "70000", "a whole number from 0 to 65535 or a TWPT_ name"},
        {"ICAP_PIXELTYPE", "", "a whole number from 0 to 65535 or a TWPT_ name"},
        {"CAP_DUPLEXENABLED", "maybe", "TRUE or FALSE"},
        {"ICAP_BRIGHTNESS", "1e9", "a number"},
        {"ICAP_BRIGHTNESS", "nan", "a number"},
        {"ICAP_FRAMES", "1,2,3", "a frame as left,top,right,bottom"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const auto info = FindNamedCapability(c.name);
        ASSERT_TRUE(info);
        EXPECT_FALSE(ReadValueText(*info, c.text));
        EXPECT_EQ(AcceptedValues(*info), c.accepted);
    }
}

}  // namespace
