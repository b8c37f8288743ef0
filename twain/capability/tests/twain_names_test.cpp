// The TWAIN name tables: lookups both ways, and the tables' own consistency (a few values stand
// for the rest; the tables are not restated here).
#include "twain/capability/twain_names.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

namespace vantrel::capability {
namespace {

std::string Upper(std::string_view name) {
    std::string upper(name);
    for (char& c : upper) c = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
    return upper;
}

TEST(CapabilityNames, LookupBothWaysIgnoresCaseButNotSpelling) {
    const auto pixelType = FindCapability("icap_PixelType");
    ASSERT_TRUE(pixelType);
    EXPECT_EQ(pixelType->number, 0x0101);
    EXPECT_EQ(pixelType->itemType, ItemType::UInt16);
    EXPECT_EQ(FamilyOf(0x0101), Family::PixelType);
    EXPECT_EQ(CapabilityName(0x1118), "ICAP_XRESOLUTION");
    for (const char* name : {"ICAP_PIXEL", "ICAP_PIXELTYPES", "", "TWPT_RGB"}) EXPECT_FALSE(FindCapability(name)) << name;
    for (const std::uint16_t number : {0x0000, 0x0104, 0x100C, 0x1201, 0x8001, 0xFFFF}) {
        EXPECT_FALSE(CapabilityName(number)) << number;
        EXPECT_EQ(FamilyOf(number), Family::None) << number;
    }
}

// Every name once, every number once, in the number band of its prefix, with a listed family.
TEST(CapabilityNames, TheTableIsConsistent) {
    std::set<std::string> names;
    std::set<std::uint16_t> numbers;
    for (const CapabilityInfo& info : Capabilities()) {
        SCOPED_TRACE(std::string(info.name));
        EXPECT_TRUE(names.insert(Upper(info.name)).second) << "name twice";
        EXPECT_TRUE(numbers.insert(info.number).second) << "number twice";
        EXPECT_TRUE(FindFamily(info.family)) << "family not listed";
        EXPECT_EQ(CapabilityName(info.number), info.name);
        const std::string name(info.name);
        if (name.starts_with("CAP_")) {
            EXPECT_TRUE(info.number == 0x0001 || (info.number >= 0x1000 && info.number < 0x1100));
        } else if (name.starts_with("ICAP_")) {
            EXPECT_TRUE((info.number >= 0x0100 && info.number <= 0x0103) || (info.number >= 0x1100 && info.number < 0x1200));
        } else {
            EXPECT_TRUE(name.starts_with("ACAP_") && info.number >= 0x1200 && info.number < 0x1300);
        }
    }
    EXPECT_EQ(Capabilities().size(), 164u) << "75 CAP_, 88 ICAP_ and 1 ACAP_";
}

TEST(ConstantNames, SharedPrefixesAliasesAndStrangersInTheirFamilies) {
    struct Case {
        const char* lookup;  // found by this name (any case)
        Family family;
        std::int64_t value;
        const char* name;  // and named back so
    };
    const Case cases[] = {
        {"twpf_chocolate", Family::PixelFlavor, 0, "TWPF_CHOCOLATE"},
        {"TWPF_NORMAL", Family::PrinterFontStyle, 0, "TWPF_NORMAL"},
        {"TWON_ENUMERATION", Family::Container, 4, "TWON_ENUMERATION"},
        {"TWON_PROTOCOLMINOR", Family::Generic, 4, "TWON_PROTOCOLMINOR"},
        {"TWBP_DISABLE", Family::BlankPageDiscard, -2, "TWBP_DISABLE"},
        {"TWOR_LANDSCAPE", Family::Orientation, 3, "TWOR_ROT270"},  // an alias is found, never named
        {"TWSS_A4LETTER", Family::SupportedSize, 1, "TWSS_A4"},
        {"TWCY_MONACO", Family::Country, 33, "TWCY_FRANCE"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lookup);
        const auto found = FindConstant(c.lookup);
        ASSERT_TRUE(found);
        EXPECT_EQ(found->value, c.value);
        EXPECT_EQ(found->family, c.family);
        EXPECT_EQ(ConstantName(c.family, c.value), c.name);
    }
    EXPECT_EQ(ConstantName(Family::Capability, 0x1002), "CAP_FEEDERENABLED");
    EXPECT_FALSE(ConstantName(Family::Capability, 0x10000 + 0x1002));
    EXPECT_FALSE(ConstantName(Family::PixelType, 17));
    EXPECT_FALSE(ConstantName(Family::SupportedSize, -1));
    EXPECT_FALSE(ConstantName(Family::None, 0));
    EXPECT_FALSE(FindConstant("TWPT_"));
}

// Names unique everywhere, one name per value within a family, every alias standing for a value its
// family names, every name carrying its family's prefix, every family listed once; every condition code
// named back and described in words of its own.
TEST(ConstantNames, TheTablesAreConsistent) {
    std::set<std::string> names;
    std::map<std::pair<Family, std::int64_t>, int> named;
    std::set<std::pair<Family, std::int64_t>> aliased;
    std::set<std::string_view> descriptions;  // of condition codes
    for (const auto table : ConstantTables()) {
        for (const ConstantInfo& info : table) {
            SCOPED_TRACE(std::string(info.name));
            EXPECT_TRUE(names.insert(Upper(info.name)).second) << "name twice";
            const auto family = FindFamily(info.family);
            ASSERT_TRUE(family);
            EXPECT_TRUE(std::string(info.name).starts_with(std::string(family->prefix) + "_"));
            EXPECT_NE(info.family, Family::None);
            EXPECT_NE(info.family, Family::Capability);
            EXPECT_EQ(FindConstant(info.name)->value, info.value);
            if (info.alias) aliased.insert({info.family, info.value});
            else ++named[{info.family, info.value}];
            if (info.family != Family::ConditionCode || info.name == "TWCC_CUSTOMBASE") continue;
            const auto code = static_cast<std::uint16_t>(info.value);
            EXPECT_EQ(ConditionCodeName(code), info.name);
            const auto description = ConditionCodeDescription(code);
            EXPECT_TRUE(description && descriptions.insert(*description).second) << "no description of its own";
        }
    }
    for (const auto& [key, times] : named) EXPECT_EQ(times, 1) << std::string(*ConstantName(key.first, key.second));
    for (const auto& key : aliased) EXPECT_TRUE(named.count(key)) << "alias of a value with no name: " << key.second;
    EXPECT_GT(names.size(), 900u);
    std::set<Family> families;
    for (const FamilyInfo& info : Families()) EXPECT_TRUE(families.insert(info.family).second) << info.title;
    EXPECT_EQ(families.size(), static_cast<std::size_t>(Family::EndOfJob) + 1);
}

TEST(ConditionCodes, NamedAndDescribedOnlyWhenDefined) {
    EXPECT_EQ(ConditionCodeName(20), "TWCC_PAPERJAM");
    EXPECT_EQ(ConditionCodeDescription(20), "paper jam");
    for (const std::uint16_t code : {7, 8, 30, 0x7FFF}) {
        EXPECT_FALSE(ConditionCodeName(code)) << code;
        EXPECT_FALSE(ConditionCodeDescription(code)) << code;
    }
    EXPECT_EQ(ConditionCodeName(0x8000), "TWCC_CUSTOMBASE");
    EXPECT_TRUE(ConditionCodeDescription(0x8001)) << "a custom code is described as such";
    EXPECT_FALSE(ConditionCodeName(0x8001));
}

}  // namespace
}  // namespace vantrel::capability
