// TWAIN's four capability containers as bytes: what this source hands out and the one it accepts (pure logic).
#pragma once

#include "scanner/twain_source_records.h"

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace vantrel::scanner {

// A container's content. Items are raw: as they sit in TW_ONEVALUE::Item (small types in the
// low bytes, a TW_FIX32 as Whole | Frac << 16); a TW_FRAME takes four of them, its sides as
// TW_FIX32 in the record's order (left, top, right, bottom).
struct Container {
    twain::TW_UINT16 conType = twain::TWON_ONEVALUE;
    twain::TW_UINT16 itemType = twain::TWTY_UINT16;
    std::vector<twain::TW_UINT32> items;  // ONEVALUE: one; ENUMERATION, ARRAY: the list; RANGE: none
    twain::TW_UINT32 currentIndex = 0;     // ENUMERATION
    twain::TW_UINT32 defaultIndex = 0;
    twain::TW_UINT32 minValue = 0;         // RANGE
    twain::TW_UINT32 maxValue = 0;
    twain::TW_UINT32 stepSize = 0;
    twain::TW_UINT32 defaultValue = 0;
    twain::TW_UINT32 currentValue = 0;
};

// The bytes an item of this type takes in an item list; 0 for types this source never uses.
std::size_t ItemSize(twain::TW_UINT16 itemType);

// The raw values one item of this type takes in Container::items: 4 for a TW_FRAME, else 1.
std::size_t ItemWords(twain::TW_UINT16 itemType);

// The container block exactly as TWAIN lays it out (2-byte packing, item lists packed at the
// items' own size); empty when the item type has no size here.
std::vector<std::uint8_t> EncodeContainer(const Container& container);

// The bytes a TW_ONEVALUE of this item type takes: an item larger than four bytes (a TW_FRAME)
// sits in place of TW_ONEVALUE::Item.
std::size_t OneValueSize(twain::TW_UINT16 itemType);

// A TW_ONEVALUE read from the application's block of `bytes.size()` bytes; none when it is
// shorter than its item type needs.
std::optional<Container> DecodeOneValue(std::span<const std::uint8_t> bytes);

// TW_FIX32 conversions: to the nearest 1/65536, and back.
twain::TW_UINT32 ToFix32(double value);
double FromFix32(twain::TW_UINT32 raw);

}  // namespace vantrel::scanner
