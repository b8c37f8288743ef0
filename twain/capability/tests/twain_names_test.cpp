// The TWAIN name tables: numbers checked against the standard header, lookups both ways, and the
// tables' own consistency.
#include "twain/capability/twain_names.h"

#include "twain/twain_records.h"

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

std::string Lower(std::string_view name) {
    std::string lower(name);
    for (char& c : lower) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    return lower;
}

struct CapabilityCase {
    const char* name;
    std::uint16_t number;
    ItemType type;
    Family family;
};

// Numbers as the standard header defines them; types as each capability's values are described.
const CapabilityCase kCapabilityCases[] = {
    {"CAP_XFERCOUNT", 0x0001, ItemType::Int16, Family::None},
    {"ICAP_COMPRESSION", 0x0100, ItemType::UInt16, Family::Compression},
    {"ICAP_PIXELTYPE", 0x0101, ItemType::UInt16, Family::PixelType},
    {"ICAP_UNITS", 0x0102, ItemType::UInt16, Family::Unit},
    {"ICAP_XFERMECH", 0x0103, ItemType::UInt16, Family::TransferMechanism},
    {"CAP_AUTHOR", 0x1000, ItemType::Str128, Family::None},
    {"CAP_FEEDERENABLED", 0x1002, ItemType::Bool, Family::None},
    {"CAP_SUPPORTEDCAPS", 0x1005, ItemType::UInt16, Family::Capability},
    {"CAP_INDICATORS", 0x100B, ItemType::Bool, Family::None},
    {"CAP_DUPLEX", 0x1012, ItemType::UInt16, Family::Duplex},
    {"CAP_DUPLEXENABLED", 0x1013, ItemType::Bool, Family::None},
    {"CAP_LANGUAGE", 0x102C, ItemType::UInt16, Family::Language},
    {"CAP_SHEETCOUNT", 0x104F, ItemType::UInt32, Family::None},
    {"ICAP_IMAGEFILEFORMAT", 0x110C, ItemType::UInt16, Family::FileFormat},
    {"ICAP_FRAMES", 0x1114, ItemType::Frame, Family::None},
    {"ICAP_XRESOLUTION", 0x1118, ItemType::Fix32, Family::None},
    {"ICAP_SUPPORTEDSIZES", 0x1122, ItemType::UInt16, Family::SupportedSize},
    {"ICAP_BITDEPTH", 0x112B, ItemType::UInt16, Family::None},
    {"ICAP_AUTODISCARDBLANKPAGES", 0x1134, ItemType::Int32, Family::BlankPageDiscard},
    {"ICAP_JPEGQUALITY", 0x1153, ItemType::Int16, Family::JpegQuality},
    {"ICAP_JPEGSUBSAMPLING", 0x1161, ItemType::UInt16, Family::JpegSubsampling},
    {"ACAP_XFERMECH", 0x1202, ItemType::UInt16, Family::TransferMechanism},
};

TEST(CapabilityNames, SpotChecksAgainstTheStandard) {
    for (const CapabilityCase& c : kCapabilityCases) {
        SCOPED_TRACE(c.name);
        const auto byName = FindCapability(c.name);
        ASSERT_TRUE(byName);
        EXPECT_EQ(byName->number, c.number);
        EXPECT_EQ(byName->itemType, c.type);
        EXPECT_EQ(byName->family, c.family);
        EXPECT_EQ(FamilyOf(c.number), c.family);
        EXPECT_EQ(CapabilityName(c.number), c.name);
    }
}

TEST(CapabilityNames, AgreeWithTheRecordsHeader) {
    namespace tw = vantrel::twain;
    const std::pair<const char*, std::uint16_t> shared[] = {
        {"CAP_XFERCOUNT", tw::CAP_XFERCOUNT},     {"CAP_INDICATORS", tw::CAP_INDICATORS},
        {"ICAP_COMPRESSION", tw::ICAP_COMPRESSION}, {"ICAP_PIXELTYPE", tw::ICAP_PIXELTYPE},
        {"ICAP_XFERMECH", tw::ICAP_XFERMECH},     {"ICAP_XRESOLUTION", tw::ICAP_XRESOLUTION},
        {"ICAP_YRESOLUTION", tw::ICAP_YRESOLUTION}, {"ICAP_BITDEPTH", tw::ICAP_BITDEPTH},
    };
    for (const auto& [name, number] : shared) EXPECT_EQ(CapabilityName(number), name);
}

TEST(CapabilityNames, LookupIgnoresCaseButNotSpelling) {
    EXPECT_EQ(FindCapability("icap_pixeltype")->number, 0x0101);
    EXPECT_EQ(FindCapability("Cap_FeederEnabled")->number, 0x1002);
    EXPECT_FALSE(FindCapability("ICAP_PIXEL"));
    EXPECT_FALSE(FindCapability("ICAP_PIXELTYPES"));
    EXPECT_FALSE(FindCapability(""));
    EXPECT_FALSE(FindCapability("TWPT_RGB"));
}

TEST(CapabilityNames, UnknownNumbersHaveNoName) {
    for (const std::uint16_t number : {0x0000, 0x0104, 0x100C, 0x1102, 0x1201, 0x8000, 0x8001, 0xFFFF}) {
        EXPECT_FALSE(CapabilityName(number)) << number;
        EXPECT_EQ(FamilyOf(number), Family::None) << number;
    }
}

TEST(CapabilityNames, TheTableIsConsistent) {
    std::set<std::string> names;
    std::set<std::uint16_t> numbers;
    for (const CapabilityInfo& info : Capabilities()) {
        SCOPED_TRACE(std::string(info.name));
        EXPECT_TRUE(names.insert(Upper(info.name)).second) << "name twice";
        EXPECT_TRUE(numbers.insert(info.number).second) << "number twice";
        EXPECT_TRUE(FindFamily(info.family)) << "family not listed";
        // The standard numbers CAP_ from 0x1000, ICAP_ from 0x1100, ACAP_ from 0x1200, besides the four
        // capabilities every image source must have.
        const std::string name(info.name);
        if (name.starts_with("CAP_")) {
            EXPECT_TRUE(info.number == 0x0001 || (info.number >= 0x1000 && info.number < 0x1100));
        } else if (name.starts_with("ICAP_")) {
            EXPECT_TRUE((info.number >= 0x0100 && info.number <= 0x0103) || (info.number >= 0x1100 && info.number < 0x1200));
        } else {
            EXPECT_TRUE(name.starts_with("ACAP_") && info.number >= 0x1200 && info.number < 0x1300);
        }
    }
    // 75 CAP_, 88 ICAP_ and 1 ACAP_ in the 2.4 header.
    EXPECT_EQ(Capabilities().size(), 164u);
}

struct ConstantCase {
    const char* name;
    std::int64_t value;
    Family family;
};

// One constant or more from every family, valued as in the standard header.
const ConstantCase kConstantCases[] = {
    {"TWTY_FRAME", 8, Family::ItemType},
    {"TWTY_STR255", 0x000C, Family::ItemType},
    {"TWON_RANGE", 6, Family::Container},
    {"TWON_ARRAY", 3, Family::Container},
    {"TWON_DONTCARE16", 0xFFFF, Family::Generic},
    {"TWON_PROTOCOLMINOR", 4, Family::Generic},
    {"TWMF_HANDLE", 0x0010, Family::MemoryFlag},
    {"TWRC_XFERDONE", 6, Family::ReturnCode},
    {"TWRC_SCANNERLOCKED", 11, Family::ReturnCode},
    {"TWCC_PAPERJAM", 20, Family::ConditionCode},
    {"TWCC_PAPERDOUBLEFEED", 21, Family::ConditionCode},
    {"TWCC_NOMEDIA", 29, Family::ConditionCode},
    {"TWQC_GETCURRENT", 0x0008, Family::QuerySupport},
    {"DG_IMAGE", 0x0002, Family::DataGroup},
    {"DF_DS2", 0x40000000, Family::DataFunctionality},
    {"DAT_IMAGENATIVEXFER", 0x0104, Family::DataArgumentType},
    {"MSG_ENABLEDS", 0x0502, Family::Message},
    {"TWAL_JAM", 5, Family::Alarm},
    {"TWAS_AUTO", 1, Family::AutoSize},
    {"TWBCOR_ROTX", 4, Family::BarcodeRotation},
    {"TWBD_VERTHORZ", 3, Family::BarcodeSearchMode},
    {"TWBO_MSBFIRST", 1, Family::BitOrder},
    {"TWBP_DISABLE", -2, Family::BlankPageDiscard},
    {"TWBR_DIFFUSION", 3, Family::BitDepthReduction},
    {"TWBT_QRCODE", 20, Family::BarcodeType},
    {"TWCP_GROUP4", 5, Family::Compression},
    {"TWCP_JPEG", 6, Family::Compression},
    {"TWCS_BOTTOM", 2, Family::CameraSide},
    {"TWDE_PAPERJAM", 13, Family::DeviceEvent},
    {"TWDR_SET", 2, Family::PassThruDirection},
    {"TWDSK_FAIL", 2, Family::DeskewStatus},
    {"TWDX_1PASSDUPLEX", 1, Family::Duplex},
    {"TWFA_CENTER", 2, Family::FeederAlignment},
    {"TWFE_PHOTO", 1, Family::FeederType},
    {"TWFF_BMP", 2, Family::FileFormat},
    {"TWFF_PDFA2", 16, Family::FileFormat},
    {"TWFL_REDEYE", 4, Family::Flash},
    {"TWFO_LASTPAGEFIRST", 1, Family::FeederOrder},
    {"TWFP_POCKET16", 16, Family::FeederPocket},
    {"TWFR_FANFOLD", 1, Family::FlipRotation},
    {"TWFT_BLACK", 8, Family::Filter},
    {"TWFY_UNKNOWN", 8, Family::FileType},
    {"TWIC_EMBED", 2, Family::IccProfile},
    {"TWIF_HIGHPASS", 4, Family::ImageFilter},
    {"TWIM_FRONTONRIGHT", 4, Family::ImageMerge},
    {"TWJC_JSXS", 4, Family::JobControl},
    {"TWJQ_UNKNOWN", -4, Family::JpegQuality},
    {"TWLP_TRANSMISSIVE", 1, Family::LightPath},
    {"TWLS_IR", 6, Family::LightSource},
    {"TWMD_INVALID", 2, Family::MagType},
    {"TWNF_MAJORITYRULE", 3, Family::NoiseFilter},
    {"TWOR_AUTOPICTURE", 6, Family::Orientation},
    {"TWOV_LEFTRIGHT", 3, Family::Overscan},
    {"TWPA_CMY", 2, Family::PaletteType},
    {"TWPC_PLANAR", 1, Family::PlanarChunky},
    {"TWPCH_PATCHT", 5, Family::PatchCode},
    {"TWPF_VANILLA", 1, Family::PixelFlavor},
    {"TWPM_COMPOUNDSTRING", 2, Family::PrinterMode},
    {"TWPR_ENDORSERBOTTOMAFTER", 7, Family::Printer},
    {"TWPF_SMALLSIZE", 4, Family::PrinterFontStyle},
    {"TWCT_PATCH6", 6, Family::PrinterIndexTrigger},
    {"TWPS_BATTERY", 1, Family::PowerSupply},
    {"TWPT_RGB", 2, Family::PixelType},
    {"TWPT_INFRARED", 16, Family::PixelType},
    {"TWSG_MANUAL", 2, Family::Segmented},
    {"TWFM_NEGATIVE", 1, Family::FilmType},
    {"TWDF_INFRARED", 2, Family::DoubleFeedDetection},
    {"TWUS_HIGH", 2, Family::DoubleFeedSensitivity},
    {"TWDP_DONOTIMPRINT", 3, Family::DoubleFeedResponse},
    {"TWMR_HORIZONTAL", 2, Family::Mirror},
    {"TWJS_311", 7, Family::JpegSubsampling},
    {"TWPH_PHOTOGRAPH", 4, Family::PaperHandling},
    {"TWCI_WARMUP", 3, Family::IndicatorsMode},
    {"TWSS_A4", 1, Family::SupportedSize},
    {"TWSS_USLETTER", 3, Family::SupportedSize},
    {"TWSS_USLEDGER", 9, Family::SupportedSize},
    {"TWSS_MAXSIZE", 54, Family::SupportedSize},
    {"TWSX_MEMORY", 2, Family::TransferMechanism},
    {"TWSX_MEMFILE", 4, Family::TransferMechanism},
    {"TWUN_MILLIMETERS", 6, Family::Unit},
    {"TWCY_GERMANY", 49, Family::Country},
    {"TWCY_USA", 1, Family::Country},
    {"TWLG_USERLOCALE", -1, Family::Language},
    {"TWLG_VIETNAMESE", 113, Family::Language},
    {"TWEI_BARCODETEXT", 0x1202, Family::ExtImageInfo},
    {"TWEI_TWAINDIRECTMETADATA", 0x124B, Family::ExtImageInfo},
    {"TWEJ_PATCHT", 7, Family::EndOfJob},
};

TEST(ConstantNames, SpotChecksBothWays) {
    for (const ConstantCase& c : kConstantCases) {
        SCOPED_TRACE(c.name);
        const auto byName = FindConstant(c.name);
        ASSERT_TRUE(byName);
        EXPECT_EQ(byName->value, c.value);
        EXPECT_EQ(byName->family, c.family);
        EXPECT_EQ(ConstantName(c.family, c.value), c.name);
        EXPECT_EQ(FindConstant(Lower(c.name))->value, c.value);
    }
}

TEST(ConstantNames, EveryFamilyIsSampled) {
    std::set<Family> sampled;
    for (const ConstantCase& c : kConstantCases) sampled.insert(c.family);
    for (const FamilyInfo& info : Families()) {
        if (info.family == Family::None || info.family == Family::Capability) continue;
        EXPECT_TRUE(sampled.count(info.family)) << info.title;
    }
}

TEST(ConstantNames, SharedPrefixesKeepTheirFamiliesApart) {
    EXPECT_EQ(ConstantName(Family::PixelFlavor, 0), "TWPF_CHOCOLATE");
    EXPECT_EQ(ConstantName(Family::PrinterFontStyle, 0), "TWPF_NORMAL");
    EXPECT_EQ(ConstantName(Family::Container, 4), "TWON_ENUMERATION");
    EXPECT_EQ(ConstantName(Family::Generic, 4), "TWON_PROTOCOLMINOR");
    EXPECT_EQ(FindFamily(Family::PixelFlavor)->prefix, "TWPF");
    EXPECT_EQ(FindFamily(Family::PrinterFontStyle)->prefix, "TWPF");
}

TEST(ConstantNames, AliasesFindTheirValueButNeverNameIt) {
    struct Case {
        const char* alias;
        std::int64_t value;
        Family family;
        const char* name;
    };
    const Case cases[] = {
        {"TWOR_PORTRAIT", 0, Family::Orientation, "TWOR_ROT0"},
        {"TWOR_LANDSCAPE", 3, Family::Orientation, "TWOR_ROT270"},
        {"TWSS_A4LETTER", 1, Family::SupportedSize, "TWSS_A4"},
        {"TWPT_SRGB64", 11, Family::PixelType, "TWPT_SCRGB"},
        {"TWLG_ENGLISH", 2, Family::Language, "TWLG_ENG"},
        {"TWCY_MONACO", 33, Family::Country, "TWCY_FRANCE"},
        {"TWIF_TEXT", 3, Family::ImageFilter, "TWIF_BANDPASS"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.alias);
        const auto found = FindConstant(c.alias);
        ASSERT_TRUE(found);
        EXPECT_TRUE(found->alias);
        EXPECT_EQ(found->value, c.value);
        EXPECT_EQ(ConstantName(c.family, c.value), c.name);
    }
}

TEST(ConstantNames, ValuesOutsideAFamilyHaveNoName) {
    EXPECT_FALSE(ConstantName(Family::PixelType, 17));
    EXPECT_FALSE(ConstantName(Family::FileFormat, 18));
    EXPECT_FALSE(ConstantName(Family::SupportedSize, -1));
    EXPECT_FALSE(ConstantName(Family::None, 0));
    EXPECT_FALSE(FindConstant("TWPT_"));
    EXPECT_EQ(FindConstant("twss_a4")->value, 1);
}

TEST(ConstantNames, CapabilityNumbersNameTheirCapabilities) {
    EXPECT_EQ(ConstantName(Family::Capability, 0x1002), "CAP_FEEDERENABLED");
    EXPECT_FALSE(ConstantName(Family::Capability, 0x10000 + 0x1002));
    EXPECT_FALSE(ConstantName(Family::Capability, -1));
}

// The whole table: names unique everywhere, one name per value within a family, every alias standing
// for a value its family names, and every name carrying its family's prefix.
TEST(ConstantNames, TheTablesAreConsistent) {
    std::set<std::string> names;
    std::map<std::pair<Family, std::int64_t>, int> named;
    std::set<std::pair<Family, std::int64_t>> aliased;
    std::size_t count = 0;
    for (const auto table : ConstantTables()) {
        for (const ConstantInfo& info : table) {
            SCOPED_TRACE(std::string(info.name));
            ++count;
            EXPECT_TRUE(names.insert(Upper(info.name)).second) << "name twice";
            const auto family = FindFamily(info.family);
            ASSERT_TRUE(family);
            EXPECT_TRUE(std::string(info.name).starts_with(std::string(family->prefix) + "_"));
            EXPECT_NE(info.family, Family::None);
            EXPECT_NE(info.family, Family::Capability);
            if (info.alias) {
                aliased.insert({info.family, info.value});
            } else {
                ++named[{info.family, info.value}];
            }
        }
    }
    for (const auto& [key, times] : named) EXPECT_EQ(times, 1) << std::string(*ConstantName(key.first, key.second));
    for (const auto& key : aliased) EXPECT_TRUE(named.count(key)) << "alias of a value with no name: " << key.second;
    EXPECT_GT(count, 900u);
}

TEST(ConstantNames, FamiliesAreListedOnce) {
    std::set<Family> seen;
    for (const FamilyInfo& info : Families()) EXPECT_TRUE(seen.insert(info.family).second) << info.title;
    EXPECT_EQ(seen.size(), static_cast<std::size_t>(Family::EndOfJob) + 1);
}

TEST(ConditionCodes, NamesAndDescriptions) {
    struct Case {
        std::uint16_t code;
        const char* name;
        const char* description;
    };
    const Case cases[] = {
        {0, "TWCC_SUCCESS", "success"},
        {1, "TWCC_BUMMER", "failure with no known cause"},
        {6, "TWCC_BADCAP", "unknown capability"},
        {13, "TWCC_CAPUNSUPPORTED", "capability not supported"},
        {20, "TWCC_PAPERJAM", "paper jam"},
        {21, "TWCC_PAPERDOUBLEFEED", "double feed"},
        {24, "TWCC_INTERLOCK", "a cover or door is open"},
        {29, "TWCC_NOMEDIA", "no media"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        EXPECT_EQ(ConditionCodeName(c.code), c.name);
        EXPECT_EQ(ConditionCodeDescription(c.code), c.description);
    }
}

TEST(ConditionCodes, UndefinedAndCustomCodes) {
    for (const std::uint16_t code : {7, 8, 30, 0x7FFF}) {
        EXPECT_FALSE(ConditionCodeName(code)) << code;
        EXPECT_FALSE(ConditionCodeDescription(code)) << code;
    }
    EXPECT_EQ(ConditionCodeName(0x8000), "TWCC_CUSTOMBASE");
    EXPECT_TRUE(ConditionCodeDescription(0x8001));
    EXPECT_FALSE(ConditionCodeName(0x8001));
}

TEST(ConditionCodes, EveryDefinedCodeIsDescribed) {
    std::set<std::string_view> descriptions;
    for (const auto table : ConstantTables()) {
        for (const ConstantInfo& info : table) {
            if (info.family != Family::ConditionCode || info.name == "TWCC_CUSTOMBASE") continue;
            const auto description = ConditionCodeDescription(static_cast<std::uint16_t>(info.value));
            ASSERT_TRUE(description) << info.name;
            EXPECT_TRUE(descriptions.insert(*description).second) << info.name << " shares its description";
        }
    }
}

}  // namespace
}  // namespace vantrel::capability
