// Item types, their sizes and bounds, and the FIX32 conversions.
#include "twain/capability/capability_value.h"

#include <cmath>
#include <limits>

namespace vantrel::capability {

std::optional<ItemType> ItemTypeFromCode(std::uint16_t code) {
    if (code > static_cast<std::uint16_t>(ItemType::Str255)) return std::nullopt;
    return static_cast<ItemType>(code);
}

std::size_t ItemSize(ItemType type) {
    switch (type) {
        case ItemType::Int8:
        case ItemType::UInt8:
            return 1;
        case ItemType::Int16:
        case ItemType::UInt16:
        case ItemType::Bool:
            return 2;
        case ItemType::Int32:
        case ItemType::UInt32:
        case ItemType::Fix32:
            return 4;
        case ItemType::Frame:
            return 16;
        case ItemType::Str32:
            return 34;
        case ItemType::Str64:
            return 66;
        case ItemType::Str128:
            return 130;
        case ItemType::Str255:
            return 256;
    }
    return 0;
}

bool IsInteger(ItemType type) {
    return type <= ItemType::UInt32;
}

bool IsString(ItemType type) {
    return type >= ItemType::Str32;
}

IntegerBounds BoundsOf(ItemType type) {
    switch (type) {
        case ItemType::Int8:
            return {-128, 127};
        case ItemType::Int16:
            return {-32768, 32767};
        case ItemType::Int32:
            return {std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()};
        case ItemType::UInt8:
            return {0, 0xFF};
        case ItemType::UInt16:
            return {0, 0xFFFF};
        case ItemType::UInt32:
            return {0, 0xFFFFFFFF};
        default:
            return {0, 0};
    }
}

bool ItemFits(ItemType type, const Item& item) {
    if (IsInteger(type)) {
        const auto* value = std::get_if<std::int64_t>(&item);
        const IntegerBounds bounds = BoundsOf(type);
        return value && *value >= bounds.min && *value <= bounds.max;
    }
    if (IsString(type)) return std::holds_alternative<std::string>(item);
    switch (type) {
        case ItemType::Bool:
            return std::holds_alternative<bool>(item);
        case ItemType::Fix32: {
            const auto* value = std::get_if<double>(&item);
            return value && DoubleToFix32(*value);
        }
        case ItemType::Frame: {
            const auto* frame = std::get_if<Frame>(&item);
            return frame && DoubleToFix32(frame->left) && DoubleToFix32(frame->top) && DoubleToFix32(frame->right) &&
                   DoubleToFix32(frame->bottom);
        }
        default:
            return false;
    }
}

double Fix32ToDouble(std::uint32_t raw) {
    const auto whole = static_cast<std::int16_t>(static_cast<std::uint16_t>(raw >> 16));
    const auto frac = static_cast<std::uint16_t>(raw & 0xFFFF);
    return whole + frac / 65536.0;
}

std::optional<std::uint32_t> DoubleToFix32(double value) {
    if (std::isnan(value)) return std::nullopt;
    // Scaling by a power of two is exact; std::round rounds halves away from zero.
    const double scaled = std::round(value * 65536.0);
    if (scaled < -2147483648.0 || scaled > 2147483647.0) return std::nullopt;
    return static_cast<std::uint32_t>(static_cast<std::int64_t>(scaled));
}

}  // namespace vantrel::capability
