// Laying out and reading capability containers byte by byte, so no layout depends on the compiler's packing.
#include "scanner/capability_container.h"

#include <cmath>

namespace vantrel::scanner {

using namespace twain;

namespace {

void PutItem(std::vector<std::uint8_t>& out, TW_UINT32 value, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

TW_UINT32 GetLittle(std::span<const std::uint8_t> bytes, std::size_t at, std::size_t size) {
    TW_UINT32 value = 0;
    for (std::size_t i = 0; i < size; ++i) value |= static_cast<TW_UINT32>(bytes[at + i]) << (8 * i);
    return value;
}

}  // namespace

std::size_t ItemSize(TW_UINT16 itemType) {
    switch (itemType) {
        case TWTY_INT8:
        case TWTY_UINT8: return 1;
        case TWTY_INT16:
        case TWTY_UINT16:
        case TWTY_BOOL: return 2;
        case TWTY_INT32:
        case TWTY_UINT32:
        case TWTY_FIX32: return 4;
        default: return 0;
    }
}

std::vector<std::uint8_t> EncodeContainer(const Container& c) {
    const std::size_t size = ItemSize(c.itemType);
    if (size == 0) return {};
    std::vector<std::uint8_t> out;
    PutItem(out, c.itemType, 2);
    switch (c.conType) {
        case TWON_ONEVALUE:
            // Item is four bytes whatever the type; a smaller value sits in the low bytes.
            PutItem(out, c.items.empty() ? 0 : c.items.front(), 4);
            break;
        case TWON_RANGE:
            for (TW_UINT32 v : {c.minValue, c.maxValue, c.stepSize, c.defaultValue, c.currentValue}) PutItem(out, v, 4);
            break;
        case TWON_ENUMERATION:
            PutItem(out, static_cast<TW_UINT32>(c.items.size()), 4);
            PutItem(out, c.currentIndex, 4);
            PutItem(out, c.defaultIndex, 4);
            for (TW_UINT32 v : c.items) PutItem(out, v, size);
            break;
        case TWON_ARRAY:
            PutItem(out, static_cast<TW_UINT32>(c.items.size()), 4);
            for (TW_UINT32 v : c.items) PutItem(out, v, size);
            break;
        default: return {};
    }
    return out;
}

std::optional<Container> DecodeOneValue(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < sizeof(TW_ONEVALUE)) return std::nullopt;
    Container c;
    c.conType = TWON_ONEVALUE;
    c.itemType = static_cast<TW_UINT16>(GetLittle(bytes, 0, 2));
    c.items.push_back(GetLittle(bytes, 2, 4));
    return c;
}

TW_UINT32 ToFix32(double value) {
    const long long scaled = std::llround(value * 65536.0);
    const long long whole = scaled >= 0 ? scaled / 65536 : -((-scaled + 65535) / 65536);
    const auto frac = static_cast<TW_UINT32>(scaled - whole * 65536);
    return static_cast<TW_UINT16>(static_cast<std::int16_t>(whole)) | (frac << 16);
}

double FromFix32(TW_UINT32 raw) {
    const auto whole = static_cast<std::int16_t>(raw & 0xFFFF);
    return whole + static_cast<double>(raw >> 16) / 65536.0;
}

}  // namespace vantrel::scanner
