// Capability values as the component handles them: item types, items and the four TWAIN containers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace vantrel::capability {

// The item types exchanged in containers, numbered as TWTY_* (TWTY_STR1024, TWTY_UNI512 and TWTY_HANDLE
// are known to TWAIN but not exchanged, so they have no enumerator).
enum class ItemType : std::uint16_t {
    Int8 = 0x0000,
    Int16 = 0x0001,
    Int32 = 0x0002,
    UInt8 = 0x0003,
    UInt16 = 0x0004,
    UInt32 = 0x0005,
    Bool = 0x0006,
    Fix32 = 0x0007,
    Frame = 0x0008,
    Str32 = 0x0009,
    Str64 = 0x000A,
    Str128 = 0x000B,
    Str255 = 0x000C,
};

// A rectangle in ICAP_UNITS, each side a FIX32 value.
struct Frame {
    double left = 0;
    double top = 0;
    double right = 0;
    double bottom = 0;
    friend bool operator==(const Frame&, const Frame&) = default;
};

// One item: integers of every width as int64, TW_BOOL as bool, FIX32 as double, TW_FRAME, strings as bytes.
using Item = std::variant<std::int64_t, bool, double, Frame, std::string>;

struct OneValue {
    ItemType type = ItemType::UInt16;
    Item item;
    friend bool operator==(const OneValue&, const OneValue&) = default;
};

// An index the source gave that does not point into the list is kept as "none" rather than refused:
// sources do send such lists, and the items are still worth having.
struct Enumeration {
    ItemType type = ItemType::UInt16;
    std::vector<Item> items;
    std::optional<std::uint32_t> currentIndex;
    std::optional<std::uint32_t> defaultIndex;
    friend bool operator==(const Enumeration&, const Enumeration&) = default;
};

// Only integer types and FIX32 fit a range's four-byte fields.
struct Range {
    ItemType type = ItemType::Int32;
    Item min;
    Item max;
    Item step;
    Item defaultValue;
    Item current;
    friend bool operator==(const Range&, const Range&) = default;
};

struct Array {
    ItemType type = ItemType::UInt16;
    std::vector<Item> items;
    friend bool operator==(const Array&, const Array&) = default;
};

using Container = std::variant<OneValue, Enumeration, Range, Array>;

// The item type for a TWTY_* code, or nullopt for codes this component does not exchange.
std::optional<ItemType> ItemTypeFromCode(std::uint16_t code);

// Bytes one item takes in an item list (TW_BOOL is two bytes, strings their whole field with the zero).
std::size_t ItemSize(ItemType type);

bool IsInteger(ItemType type);
bool IsString(ItemType type);

// The inclusive bounds of an integer type (bool and the non-integer types give {0, 0}).
struct IntegerBounds {
    std::int64_t min;
    std::int64_t max;
};
IntegerBounds BoundsOf(ItemType type);

// Whether `item` is a value `type` can carry: the right alternative, integers within the type's bounds,
// FIX32 values (and frame sides) within what FIX32 can hold.
bool ItemFits(ItemType type, const Item& item);

// A FIX32 value is carried here as one 32-bit number counting 1/65536 steps: Whole in the high half
// (signed), Frac in the low half.
double Fix32ToDouble(std::uint32_t raw);

// The FIX32 for a value, rounding to the nearest 1/65536 with halves away from zero, as the
// working group's sample conversion does; nullopt when the value is NaN or outside
// [-32768, 32768 - 1/65536] after rounding.
std::optional<std::uint32_t> DoubleToFix32(double value);

}  // namespace vantrel::capability
