// Laying out and reading capability containers byte by byte, so no layout depends on the compiler's packing.
#include "scanner/capability_container.h"

#include <algorithm>
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
        case TWTY_FRAME: return 16;
        default: return 0;
    }
}

std::size_t ItemWords(TW_UINT16 itemType) { return itemType == TWTY_FRAME ? 4 : 1; }

std::size_t OneValueSize(TW_UINT16 itemType) { return 2 + std::max<std::size_t>(4, ItemSize(itemType)); }

std::vector<std::uint8_t> EncodeContainer(const Container& c) {
    const std::size_t size = ItemSize(c.itemType);
    if (size == 0) return {};
    // A frame's four sides go as four-byte values; smaller types at their own size.
    const std::size_t words = ItemWords(c.itemType);
    const std::size_t wordSize = words > 1 ? 4 : size;
    const auto count = static_cast<TW_UINT32>(c.items.size() / words);
    std::vector<std::uint8_t> out;
    PutItem(out, c.itemType, 2);
    switch (c.conType) {
        case TWON_ONEVALUE:
            // Item is four bytes for the small types (the value in the low bytes); a frame takes its place.
            if (c.items.size() < words) return {};
            for (std::size_t i = 0; i < words; ++i) PutItem(out, c.items[i], 4);
            break;
        case TWON_RANGE:
            if (words > 1) return {};
            for (TW_UINT32 v : {c.minValue, c.maxValue, c.stepSize, c.defaultValue, c.currentValue}) PutItem(out, v, 4);
            break;
        case TWON_ENUMERATION:
            PutItem(out, count, 4);
            PutItem(out, c.currentIndex, 4);
            PutItem(out, c.defaultIndex, 4);
            for (std::size_t i = 0; i < count * words; ++i) PutItem(out, c.items[i], wordSize);
            break;
        case TWON_ARRAY:
            PutItem(out, count, 4);
            for (std::size_t i = 0; i < count * words; ++i) PutItem(out, c.items[i], wordSize);
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
    if (bytes.size() < OneValueSize(c.itemType)) return std::nullopt;
    for (std::size_t i = 0; i < ItemWords(c.itemType); ++i) c.items.push_back(GetLittle(bytes, 2 + 4 * i, 4));
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
