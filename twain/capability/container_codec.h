// Reading and writing the TWAIN container blocks (TW_ONEVALUE, TW_ENUMERATION, TW_RANGE, TW_ARRAY).
//
// Every block is little-endian, packed to two bytes, and starts with ItemType (u16):
//   TW_ONEVALUE     ItemType, Item. Item is a u32 for items of four bytes or fewer; a TW_FRAME or a string
//                   takes the place of Item whole, so the block is 2 + max(4, item size) bytes.
//   TW_ENUMERATION  ItemType, NumItems u32, CurrentIndex u32, DefaultIndex u32, then the items.
//   TW_RANGE        ItemType, MinValue, MaxValue, StepSize, DefaultValue, CurrentValue (u32 each).
//   TW_ARRAY        ItemType, NumItems u32, then the items.
// In item lists each item takes its type's size (1, 2 or 4 bytes; TW_BOOL 2; FIX32 4; TW_FRAME 16;
// TW_STR32/64/128/255 34/66/130/256). A FIX32 is TW_FIX32: Whole (i16), then Frac (u16). In a u32 field a
// narrower item sits in the low bytes, widened the way C widens it (signed types sign-extended), and is
// read back from the low bytes alone.
#pragma once

#include "twain/capability/capability_value.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace vantrel::capability {

enum class CodecError {
    None,
    UnknownContainer,     // ConType is none of TWON_ARRAY, TWON_ENUMERATION, TWON_ONEVALUE, TWON_RANGE
    UnknownItemType,      // an ItemType TWAIN does not define
    UnsupportedItemType,  // TWTY_STR1024, TWTY_UNI512, TWTY_HANDLE
    TypeNotInRange,       // a range of bools, frames or strings
    BlockTooShort,        // the block ends before the record or the items its counts announce
    TooManyItems,         // more than kMaxItems items
    ItemDoesNotFit,       // an item of the wrong kind or outside its type's bounds
    IndexOutsideList,     // an enumeration's current or default index past its last item
};

std::string_view Describe(CodecError error);

// No capability has anywhere near this many values; a count above it is a corrupt block, and a
// bound keeps the memory taken by a decoded list (or an encoded block) small whatever a count says.
inline constexpr std::uint32_t kMaxItems = 65536;

struct DecodeResult {
    std::optional<Container> container;
    CodecError error = CodecError::None;
};

struct EncodeResult {
    std::vector<std::uint8_t> bytes;
    CodecError error = CodecError::None;
};

// The TWON_* code of a container.
std::uint16_t ContainerCode(const Container& container);

// Reads the container of type `conType` from `block`, the locked container with its real size (as
// GlobalSize or the DSM's own size function reports it). Never reads outside `block`, whatever the
// counts in it say. Strings end at their first zero; one without a zero keeps its field's length
// minus one, as Encode would have cut it.
DecodeResult Decode(std::uint16_t conType, std::span<const std::uint8_t> block);

// Writes `container` as its record. Strings longer than their field's length minus one are cut and the
// rest of the field is zero-filled. An enumeration's index with no value is written as TWON_DONTCARE32.
EncodeResult Encode(const Container& container);

}  // namespace vantrel::capability
