// "--cap NAME=VALUE" read by each item type, and the values that must be refused before any source sees them.
#include "cli/vantrel-scan/capability_argument.h"

#include "twain/twain_records.h"

#include <gtest/gtest.h>

namespace {

// Numbered as TWAIN numbers them; the records header names only what the engine uses.
constexpr std::uint16_t kCapAuthor = 0x1000;
constexpr std::int64_t kTwptRgb = 2;

using namespace vantrel::scan;
using vantrel::capability::Item;
using vantrel::capability::ItemType;
namespace tw = vantrel::twain;

TEST(CapabilityArgument, ValuesByItemType) {
    const struct {
        const wchar_t* text;
        std::uint16_t capability;
        ItemType type;
        Item item;
    } cases[] = {
        {L"ICAP_PIXELTYPE=TWPT_GRAY", tw::ICAP_PIXELTYPE, ItemType::UInt16, std::int64_t{tw::TWPT_GRAY}},
        {L"icap_pixeltype=twpt_rgb", tw::ICAP_PIXELTYPE, ItemType::UInt16, kTwptRgb},
        {L"ICAP_PIXELTYPE=0", tw::ICAP_PIXELTYPE, ItemType::UInt16, std::int64_t{0}},
        {L"CAP_DUPLEXENABLED=TRUE", tw::CAP_DUPLEXENABLED, ItemType::Bool, true},
        {L"CAP_FEEDERENABLED=off", tw::CAP_FEEDERENABLED, ItemType::Bool, false},
        {L"ICAP_BRIGHTNESS=-250.5", tw::ICAP_BRIGHTNESS, ItemType::Fix32, -250.5},
        {L"CAP_XFERCOUNT=-1", tw::CAP_XFERCOUNT, ItemType::Int16, std::int64_t{-1}},
        {L"CAP_XFERCOUNT=0x10", tw::CAP_XFERCOUNT, ItemType::Int16, std::int64_t{16}},
        {L"CAP_AUTHOR=Jane Doe", kCapAuthor, ItemType::Str128, std::string("Jane Doe")},
    };
    for (const auto& c : cases) {
        CapabilitySetting setting;
        ASSERT_EQ(ParseCapabilitySetting(c.text, setting), L"") << std::wstring_view(c.text).size();
        EXPECT_EQ(setting.capability, c.capability);
        EXPECT_EQ(setting.value.type, c.type);
        EXPECT_EQ(setting.value.item, c.item);
    }
}

TEST(CapabilityArgument, RefusedValuesSayWhatIsAccepted) {
    const struct {
        const wchar_t* text;
        const wchar_t* words;
    } cases[] = {
        {L"ICAP_PIXELTYPE", L"NAME=VALUE"},
        {L"=5", L"NAME=VALUE"},
        {L"ICAP_NOSUCH=1", L"no capability named"},
        {L"ICAP_PIXELTYPE=TWDX_1PASSDUPLEX", L"TWPT_ name"},  // another family's constant
        {L"ICAP_PIXELTYPE=70000", L"0 to 65535"},
        {L"ICAP_PIXELTYPE=", L"not \"\""},
        {L"CAP_DUPLEXENABLED=maybe", L"TRUE or FALSE"},
        {L"ICAP_BRIGHTNESS=1e9", L"a number"},
        {L"ICAP_BRIGHTNESS=nan", L"a number"},
        {L"CAP_AUTHOR=J\u00f6rg", L"ASCII"},
    };
    for (const auto& c : cases) {
        CapabilitySetting setting;
        const std::wstring error = ParseCapabilitySetting(c.text, setting);
        EXPECT_NE(error.find(c.words), std::wstring::npos) << std::string(error.begin(), error.end());
    }
}

}  // namespace
