// Lookups over the capability and constant tables, and the condition codes in words.
#include "twain/capability/twain_names.h"

#include "twain/capability/constant_tables.h"

#include <algorithm>
#include <array>

namespace vantrel::capability {
namespace {

using F = Family;

constexpr FamilyInfo kFamilies[] = {
    {F::None, "", "plain values"},
    {F::Capability, "CAP", "capability numbers"},
    {F::ItemType, "TWTY", "item types"},
    {F::Container, "TWON", "container types"},
    {F::Generic, "TWON", "protocol version, identifiers and don't-care values"},
    {F::MemoryFlag, "TWMF", "TW_MEMORY flags"},
    {F::ReturnCode, "TWRC", "return codes"},
    {F::ConditionCode, "TWCC", "condition codes"},
    {F::QuerySupport, "TWQC", "MSG_QUERYSUPPORT operations"},
    {F::DataGroup, "DG", "data groups"},
    {F::DataFunctionality, "DF", "supported functionality flags"},
    {F::DataArgumentType, "DAT", "data argument types"},
    {F::Message, "MSG", "messages"},
    {F::Alarm, "TWAL", "CAP_ALARMS"},
    {F::AutoSize, "TWAS", "ICAP_AUTOSIZE"},
    {F::BarcodeRotation, "TWBCOR", "TWEI_BARCODEROTATION"},
    {F::BarcodeSearchMode, "TWBD", "ICAP_BARCODESEARCHMODE, ICAP_PATCHCODESEARCHMODE"},
    {F::BitOrder, "TWBO", "ICAP_BITORDER"},
    {F::BlankPageDiscard, "TWBP", "ICAP_AUTODISCARDBLANKPAGES"},
    {F::BitDepthReduction, "TWBR", "ICAP_BITDEPTHREDUCTION"},
    {F::BarcodeType, "TWBT", "ICAP_SUPPORTEDBARCODETYPES, TWEI_BARCODETYPE"},
    {F::Compression, "TWCP", "ICAP_COMPRESSION"},
    {F::CameraSide, "TWCS", "CAP_CAMERASIDE, TWEI_PAGESIDE"},
    {F::DeviceEvent, "TWDE", "CAP_DEVICEEVENT"},
    {F::PassThruDirection, "TWDR", "TW_PASSTHRU.Direction"},
    {F::DeskewStatus, "TWDSK", "TWEI_DESKEWSTATUS"},
    {F::Duplex, "TWDX", "CAP_DUPLEX"},
    {F::FeederAlignment, "TWFA", "CAP_FEEDERALIGNMENT"},
    {F::FeederType, "TWFE", "ICAP_FEEDERTYPE"},
    {F::FileFormat, "TWFF", "ICAP_IMAGEFILEFORMAT"},
    {F::Flash, "TWFL", "ICAP_FLASHUSED2"},
    {F::FeederOrder, "TWFO", "CAP_FEEDERORDER"},
    {F::FeederPocket, "TWFP", "CAP_FEEDERPOCKET"},
    {F::FlipRotation, "TWFR", "ICAP_FLIPROTATION"},
    {F::Filter, "TWFT", "ICAP_FILTER"},
    {F::FileType, "TWFY", "TW_FILESYSTEM.FileType"},
    {F::IccProfile, "TWIC", "ICAP_ICCPROFILE"},
    {F::ImageFilter, "TWIF", "ICAP_IMAGEFILTER"},
    {F::ImageMerge, "TWIM", "ICAP_IMAGEMERGE"},
    {F::JobControl, "TWJC", "CAP_JOBCONTROL"},
    {F::JpegQuality, "TWJQ", "ICAP_JPEGQUALITY"},
    {F::LightPath, "TWLP", "ICAP_LIGHTPATH"},
    {F::LightSource, "TWLS", "ICAP_LIGHTSOURCE"},
    {F::MagType, "TWMD", "TWEI_MAGTYPE"},
    {F::NoiseFilter, "TWNF", "ICAP_NOISEFILTER"},
    {F::Orientation, "TWOR", "ICAP_ORIENTATION"},
    {F::Overscan, "TWOV", "ICAP_OVERSCAN"},
    {F::PaletteType, "TWPA", "TW_PALETTE8.PaletteType"},
    {F::PlanarChunky, "TWPC", "ICAP_PLANARCHUNKY"},
    {F::PatchCode, "TWPCH", "TWEI_PATCHCODE, ICAP_SUPPORTEDPATCHCODETYPES"},
    {F::PixelFlavor, "TWPF", "ICAP_PIXELFLAVOR"},
    {F::PrinterMode, "TWPM", "CAP_PRINTERMODE"},
    {F::Printer, "TWPR", "CAP_PRINTER"},
    {F::PrinterFontStyle, "TWPF", "CAP_PRINTERFONTSTYLE"},
    {F::PrinterIndexTrigger, "TWCT", "CAP_PRINTERINDEXTRIGGER"},
    {F::PowerSupply, "TWPS", "CAP_POWERSUPPLY"},
    {F::PixelType, "TWPT", "ICAP_PIXELTYPE"},
    {F::Segmented, "TWSG", "CAP_SEGMENTED"},
    {F::FilmType, "TWFM", "ICAP_FILMTYPE"},
    {F::DoubleFeedDetection, "TWDF", "CAP_DOUBLEFEEDDETECTION"},
    {F::DoubleFeedSensitivity, "TWUS", "CAP_DOUBLEFEEDDETECTIONSENSITIVITY"},
    {F::DoubleFeedResponse, "TWDP", "CAP_DOUBLEFEEDDETECTIONRESPONSE"},
    {F::Mirror, "TWMR", "ICAP_MIRROR"},
    {F::JpegSubsampling, "TWJS", "ICAP_JPEGSUBSAMPLING"},
    {F::PaperHandling, "TWPH", "CAP_PAPERHANDLING"},
    {F::IndicatorsMode, "TWCI", "CAP_INDICATORSMODE"},
    {F::SupportedSize, "TWSS", "ICAP_SUPPORTEDSIZES"},
    {F::TransferMechanism, "TWSX", "ICAP_XFERMECH"},
    {F::Unit, "TWUN", "ICAP_UNITS"},
    {F::Country, "TWCY", "countries"},
    {F::Language, "TWLG", "CAP_LANGUAGE"},
    {F::ExtImageInfo, "TWEI", "extended image information"},
    {F::EndOfJob, "TWEJ", "TW_PENDINGXFERS.EOJ"},
};

// ASCII only: every TWAIN name is upper-case ASCII.
bool SameName(std::string_view a, std::string_view b) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [&](char x, char y) { return lower(x) == lower(y); });
}

const std::array<std::span<const ConstantInfo>, 3>& Tables() {
    static const std::array<std::span<const ConstantInfo>, 3> tables = {ValueConstants(), CountryConstants(),
                                                                        LanguageConstants()};
    return tables;
}

struct ConditionText {
    std::uint16_t code;
    std::string_view description;
};

constexpr ConditionText kConditionTexts[] = {
    {0, "success"},
    {1, "failure with no known cause"},
    {2, "not enough memory"},
    {3, "no data source"},
    {4, "the source is already in use by another application"},
    {5, "the operation failed; the source has already told the user"},
    {6, "unknown capability"},
    {9, "operation not recognised"},
    {10, "value out of range"},
    {11, "operation out of sequence"},
    {12, "unknown destination"},
    {13, "capability not supported"},
    {14, "operation not supported for this capability"},
    {15, "capability depends on another capability"},
    {16, "access denied"},
    {17, "file already exists"},
    {18, "file not found"},
    {19, "directory not empty"},
    {20, "paper jam"},
    {21, "double feed"},
    {22, "could not write the file"},
    {23, "the device went offline"},
    {24, "a cover or door is open"},
    {25, "damaged corner"},
    {26, "focus error"},
    {27, "document too light"},
    {28, "document too dark"},
    {29, "no media"},
};

constexpr std::uint16_t kCustomConditionBase = 0x8000;

}  // namespace

std::span<const FamilyInfo> Families() {
    return kFamilies;
}

std::span<const std::span<const ConstantInfo>> ConstantTables() {
    return Tables();
}

std::optional<FamilyInfo> FindFamily(Family family) {
    for (const FamilyInfo& info : kFamilies) {
        if (info.family == family) return info;
    }
    return std::nullopt;
}

std::optional<CapabilityInfo> FindCapability(std::string_view name) {
    for (const CapabilityInfo& info : Capabilities()) {
        if (SameName(info.name, name)) return info;
    }
    return std::nullopt;
}

std::optional<CapabilityInfo> FindCapability(std::uint16_t number) {
    for (const CapabilityInfo& info : Capabilities()) {
        if (info.number == number) return info;
    }
    return std::nullopt;
}

std::optional<std::string_view> CapabilityName(std::uint16_t number) {
    const auto info = FindCapability(number);
    if (!info) return std::nullopt;
    return info->name;
}

std::optional<ConstantInfo> FindConstant(std::string_view name) {
    for (const auto table : Tables()) {
        for (const ConstantInfo& info : table) {
            if (SameName(info.name, name)) return info;
        }
    }
    return std::nullopt;
}

std::optional<std::string_view> ConstantName(Family family, std::int64_t value) {
    if (family == Family::Capability) {
        if (value < 0 || value > 0xFFFF) return std::nullopt;
        return CapabilityName(static_cast<std::uint16_t>(value));
    }
    for (const auto table : Tables()) {
        for (const ConstantInfo& info : table) {
            if (info.family == family && info.value == value && !info.alias) return info.name;
        }
    }
    return std::nullopt;
}

Family FamilyOf(std::uint16_t capability) {
    const auto info = FindCapability(capability);
    return info ? info->family : Family::None;
}

std::optional<std::string_view> ConditionCodeName(std::uint16_t code) {
    return ConstantName(Family::ConditionCode, code);
}

std::optional<std::string_view> ConditionCodeDescription(std::uint16_t code) {
    for (const ConditionText& text : kConditionTexts) {
        if (text.code == code) return text.description;
    }
    if (code >= kCustomConditionBase) return "a condition of the source's own";
    return std::nullopt;
}

}  // namespace vantrel::capability
