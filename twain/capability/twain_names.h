// The names of TWAIN 2.4: capabilities with their numbers, item types and value families, the
// constants of every family, and the condition codes in words.
#pragma once

#include "twain/capability/capability_value.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace vantrel::capability {

// A set of constants that share a meaning (and mostly a prefix). Two families may share a prefix:
// TWPF_ names both pixel flavours and printer font styles, TWON_ both containers and the other TWON_
// constants.
enum class Family : std::uint8_t {
    None,        // a capability whose values are plain numbers, strings or frames
    Capability,  // values are capability numbers (CAP_SUPPORTEDCAPS and the like)
    ItemType,
    Container,
    Generic,
    MemoryFlag,
    ReturnCode,
    ConditionCode,
    QuerySupport,
    DataGroup,
    DataFunctionality,
    DataArgumentType,
    Message,
    Alarm,
    AutoSize,
    BarcodeRotation,
    BarcodeSearchMode,
    BitOrder,
    BlankPageDiscard,
    BitDepthReduction,
    BarcodeType,
    Compression,
    CameraSide,
    DeviceEvent,
    PassThruDirection,
    DeskewStatus,
    Duplex,
    FeederAlignment,
    FeederType,
    FileFormat,
    Flash,
    FeederOrder,
    FeederPocket,
    FlipRotation,
    Filter,
    FileType,
    IccProfile,
    ImageFilter,
    ImageMerge,
    JobControl,
    JpegQuality,
    LightPath,
    LightSource,
    MagType,
    NoiseFilter,
    Orientation,
    Overscan,
    PaletteType,
    PlanarChunky,
    PatchCode,
    PixelFlavor,
    PrinterMode,
    Printer,
    PrinterFontStyle,
    PrinterIndexTrigger,
    PowerSupply,
    PixelType,
    Segmented,
    FilmType,
    DoubleFeedDetection,
    DoubleFeedSensitivity,
    DoubleFeedResponse,
    Mirror,
    JpegSubsampling,
    PaperHandling,
    IndicatorsMode,
    SupportedSize,
    TransferMechanism,
    Unit,
    Country,
    Language,
    ExtImageInfo,
    EndOfJob,
};

struct FamilyInfo {
    Family family;
    std::string_view prefix;  // "TWPT"
    std::string_view title;   // what the constants stand for
};

struct CapabilityInfo {
    std::string_view name;  // "ICAP_PIXELTYPE"
    std::uint16_t number;
    ItemType itemType;  // the type its values have, so a value can be set knowing only the name
    Family family;      // where its values' names come from
};

struct ConstantInfo {
    std::string_view name;  // "TWPT_RGB"
    std::int64_t value;
    Family family;
    // A second name for a value that another entry of the family names (TWOR_PORTRAIT for TWOR_ROT0);
    // value-to-name lookups give the entry that is no alias.
    bool alias = false;
};

std::span<const FamilyInfo> Families();
std::span<const CapabilityInfo> Capabilities();
// Every constant, in the tables they are kept in.
std::span<const std::span<const ConstantInfo>> ConstantTables();

std::optional<FamilyInfo> FindFamily(Family family);

// Names match without regard to case.
std::optional<CapabilityInfo> FindCapability(std::string_view name);
std::optional<CapabilityInfo> FindCapability(std::uint16_t number);
std::optional<std::string_view> CapabilityName(std::uint16_t number);

std::optional<ConstantInfo> FindConstant(std::string_view name);
// The name of `value` within `family`; for Family::Capability, the capability's name.
std::optional<std::string_view> ConstantName(Family family, std::int64_t value);

// The constant family a capability's values come from (Family::None for plain values or unknown numbers).
Family FamilyOf(std::uint16_t capability);

std::optional<std::string_view> ConditionCodeName(std::uint16_t code);
// A short English description ("paper jam"); codes from TWCC_CUSTOMBASE up are the source's own.
std::optional<std::string_view> ConditionCodeDescription(std::uint16_t code);

}  // namespace vantrel::capability
