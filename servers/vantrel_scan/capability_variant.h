// Capabilities as scripts see them: names or numbers in, Variants for items and containers both ways.
#pragma once

#include "twain/capability/capability_value.h"
#include "twain/capability/twain_names.h"

#include <oaidl.h>

#include <optional>
#include <string>

namespace vantrel::scan {

// A capability named by its TWAIN name ("ICAP_BRIGHTNESS") or its number (4353, &H1101, "0x1101").
// Numbers that TWAIN does not name are allowed (a source's own capabilities) with an unknown type.
struct NamedCapability {
    std::uint16_t number = 0;
    std::optional<capability::CapabilityInfo> info;
};
std::optional<NamedCapability> ReadCapabilityName(const VARIANT& name, std::wstring& error);

// The value MSG_GETCURRENT answers: an item as a number, Boolean or string; TW_ARRAY as an array.
HRESULT CurrentValueToVariant(const capability::Container& container, VARIANT* out);
// The values MSG_GET allows: an enumeration's items, a range's minimum, maximum and step, a
// one-value's item, an array's items; always a Variant array.
HRESULT AllowedValuesToVariant(const capability::Container& container, VARIANT* out);
// "enumeration", "range", "one value" or "array".
std::wstring ContainerKind(const capability::Container& container);

// What a client's value becomes for MSG_SET: a one-value, or an array container for a Variant array.
// Constant names ("TWPT_GRAY") stand for their numbers. `type` is the capability's item type.
std::optional<capability::Container> ContainerFromVariant(capability::ItemType type, const VARIANT& value,
                                                          std::wstring& error);

}  // namespace vantrel::scan
