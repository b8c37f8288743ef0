// Reading a capability's value in words by its item type.
#include "twain/capability/capability_text.h"

#include "twain/capability/number_text.h"

#include <algorithm>
#include <cctype>

namespace vantrel::capability {

namespace {

std::string Upper(std::string_view text) {
    std::string upper(text);
    std::transform(upper.begin(), upper.end(), upper.begin(), [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return upper;
}

// The value of a constant named for this capability, or a plain number.
std::optional<std::int64_t> IntegerValue(const CapabilityInfo& info, std::string_view text) {
    if (const auto number = ParseInteger(text)) return number;
    if (info.family == Family::Capability) {
        if (const auto named = FindCapability(text)) return named->number;
        return std::nullopt;
    }
    const auto constant = FindConstant(text);
    if (!constant || info.family == Family::None) return std::nullopt;
    if (constant->family != info.family) {
        // Two families can share a prefix, so the name may stand in the other one's table too.
        const auto same = ConstantName(info.family, constant->value);
        if (!same || Upper(*same) != Upper(text)) return std::nullopt;
    }
    return constant->value;
}

std::optional<Frame> FrameValue(std::string_view text) {
    double sides[4] = {};
    std::size_t start = 0;
    for (int i = 0; i < 4; ++i) {
        const std::size_t comma = text.find(',', start);
        if ((comma == std::string_view::npos) != (i == 3)) return std::nullopt;
        const auto side = ParseReal(text.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start));
        if (!side) return std::nullopt;
        sides[i] = *side;
        start = comma + 1;
    }
    return Frame{sides[0], sides[1], sides[2], sides[3]};
}

std::optional<Item> ItemValue(const CapabilityInfo& info, std::string_view text) {
    const std::string upper = Upper(text);
    switch (info.itemType) {
        case ItemType::Bool:
            if (upper == "TRUE" || upper == "1" || upper == "YES" || upper == "ON") return Item{true};
            if (upper == "FALSE" || upper == "0" || upper == "NO" || upper == "OFF") return Item{false};
            return std::nullopt;
        case ItemType::Fix32:
            if (const auto real = ParseReal(text)) return Item{*real};
            return std::nullopt;
        case ItemType::Frame:
            if (const auto frame = FrameValue(text)) return Item{*frame};
            return std::nullopt;
        default:
            break;
    }
    if (IsString(info.itemType)) return Item{std::string(text)};
    if (const auto number = IntegerValue(info, text)) return Item{*number};
    return std::nullopt;
}

}  // namespace

std::optional<CapabilityInfo> FindNamedCapability(std::string_view name) {
    if (const auto info = FindCapability(name)) return info;
    if (const auto number = ParseInteger(name); number && *number >= 0 && *number <= 0xFFFF)
        return FindCapability(static_cast<std::uint16_t>(*number));
    return std::nullopt;
}

std::optional<OneValue> ReadValueText(const CapabilityInfo& info, std::string_view text) {
    if (text.empty()) return std::nullopt;
    auto item = ItemValue(info, text);
    if (!item || !ItemFits(info.itemType, *item)) return std::nullopt;
    return OneValue{info.itemType, std::move(*item)};
}

std::string AcceptedValues(const CapabilityInfo& info) {
    switch (info.itemType) {
        case ItemType::Bool: return "TRUE or FALSE";
        case ItemType::Fix32: return "a number";
        case ItemType::Frame: return "a frame as left,top,right,bottom";
        default: break;
    }
    if (IsString(info.itemType)) return "text";
    const auto bounds = BoundsOf(info.itemType);
    std::string range = "a whole number from " + std::to_string(bounds.min) + " to " + std::to_string(bounds.max);
    if (info.family == Family::None) return range;
    const auto family = FindFamily(info.family);
    return range + " or a " + std::string(family ? family->prefix : "TW") + "_ name";
}

std::optional<std::string> AsciiOf(std::wstring_view text) {
    std::string narrow;
    narrow.reserve(text.size());
    for (const wchar_t c : text) {
        if (c <= 0 || c > 0x7E) return std::nullopt;
        narrow.push_back(static_cast<char>(c));
    }
    return narrow;
}

}  // namespace vantrel::capability
