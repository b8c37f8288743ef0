// Reading "--cap NAME=VALUE" by the named capability's item type.
#include "cli/vantrel-scan/capability_argument.h"

#include "cli/vantrel-scan/number_text.h"
#include "twain/capability/twain_names.h"

#include <algorithm>
#include <cctype>

namespace vantrel::scan {

using capability::ItemType;

namespace {

std::string Upper(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

std::wstring Wide(std::string_view text) { return std::wstring(text.begin(), text.end()); }

// The value of a constant named for this capability, or a plain number.
std::optional<std::int64_t> IntegerValue(const capability::CapabilityInfo& info, const std::string& text) {
    if (const auto number = ParseInteger(text)) return number;
    if (info.family == capability::Family::Capability) {
        if (const auto named = capability::FindCapability(text)) return named->number;
        return std::nullopt;
    }
    const auto constant = capability::FindConstant(text);
    if (!constant || info.family == capability::Family::None) return std::nullopt;
    if (constant->family != info.family) {
        // Two families can share a prefix, so the name may stand in the other one's table too.
        const auto same = capability::ConstantName(info.family, constant->value);
        if (!same || Upper(std::string(*same)) != Upper(text)) return std::nullopt;
    }
    return constant->value;
}

std::optional<capability::Frame> FrameValue(const std::string& text) {
    double sides[4] = {};
    std::size_t start = 0;
    for (int i = 0; i < 4; ++i) {
        const std::size_t comma = text.find(',', start);
        if ((comma == std::string::npos) != (i == 3)) return std::nullopt;
        const auto side = ParseReal(std::string_view(text).substr(start, comma == std::string::npos ? std::string::npos : comma - start));
        if (!side) return std::nullopt;
        sides[i] = *side;
        start = comma + 1;
    }
    return capability::Frame{sides[0], sides[1], sides[2], sides[3]};
}

std::optional<capability::Item> ItemValue(const capability::CapabilityInfo& info, const std::string& text) {
    const std::string upper = Upper(text);
    switch (info.itemType) {
        case ItemType::Bool:
            if (upper == "TRUE" || upper == "1" || upper == "YES" || upper == "ON") return capability::Item{true};
            if (upper == "FALSE" || upper == "0" || upper == "NO" || upper == "OFF") return capability::Item{false};
            return std::nullopt;
        case ItemType::Fix32:
            if (const auto real = ParseReal(text)) return capability::Item{*real};
            return std::nullopt;
        case ItemType::Frame:
            if (const auto frame = FrameValue(text)) return capability::Item{*frame};
            return std::nullopt;
        default:
            break;
    }
    if (capability::IsString(info.itemType)) return capability::Item{text};
    if (const auto number = IntegerValue(info, text)) return capability::Item{*number};
    return std::nullopt;
}

std::wstring Accepted(const capability::CapabilityInfo& info) {
    switch (info.itemType) {
        case ItemType::Bool: return L"TRUE or FALSE";
        case ItemType::Fix32: return L"a number";
        case ItemType::Frame: return L"a frame as left,top,right,bottom";
        default: break;
    }
    if (capability::IsString(info.itemType)) return L"text";
    const auto bounds = capability::BoundsOf(info.itemType);
    std::wstring range = L"a whole number from " + std::to_wstring(bounds.min) + L" to " + std::to_wstring(bounds.max);
    if (info.family == capability::Family::None) return range;
    const auto family = capability::FindFamily(info.family);
    return range + L" or a " + Wide(family ? family->prefix : "TW") + L"_ name";
}

}  // namespace

std::optional<std::string> AsciiOf(std::wstring_view text) {
    std::string narrow;
    narrow.reserve(text.size());
    for (const wchar_t c : text) {
        if (c <= 0 || c > 0x7E) return std::nullopt;
        narrow.push_back(static_cast<char>(c));
    }
    return narrow;
}

std::wstring ParseCapabilitySetting(std::wstring_view text, CapabilitySetting& setting) {
    const std::size_t equals = text.find(L'=');
    if (equals == std::wstring_view::npos || equals == 0)
        return L"--cap takes NAME=VALUE, such as --cap ICAP_PIXELTYPE=TWPT_GRAY; \"" + std::wstring(text) + L"\" has no name.";
    const std::wstring_view nameText = text.substr(0, equals);
    const std::wstring_view valueText = text.substr(equals + 1);
    const auto name = AsciiOf(nameText);
    std::optional<capability::CapabilityInfo> info;
    if (name) info = capability::FindCapability(*name);
    if (name && !info) {
        if (const auto number = ParseInteger(*name); number && *number >= 0 && *number <= 0xFFFF)
            info = capability::FindCapability(static_cast<std::uint16_t>(*number));
    }
    if (!info) return L"--cap: there is no capability named \"" + std::wstring(nameText) + L"\".";
    const std::wstring label = Wide(info->name);
    // TWAIN's strings are bytes in the source's own code page: only ASCII means the same everywhere.
    const std::optional<std::string> value = AsciiOf(valueText);
    if (!value) return L"--cap " + label + L": only ASCII text can be sent to a source.";
    std::optional<capability::Item> item;
    if (!value->empty()) item = ItemValue(*info, *value);
    if (!item || !capability::ItemFits(info->itemType, *item))
        return L"--cap " + label + L" takes " + Accepted(*info) + L", not \"" + std::wstring(valueText) + L"\".";
    setting.capability = info->number;
    setting.value = capability::OneValue{info->itemType, std::move(*item)};
    return {};
}

}  // namespace vantrel::scan
