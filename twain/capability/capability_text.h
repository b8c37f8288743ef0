// A capability by its TWAIN name and a value in words, read by that capability's item type: the
// command line's "--cap NAME=VALUE" and the scan service's JSON "capabilities" share it.
#pragma once

#include "twain/capability/capability_value.h"
#include "twain/capability/twain_names.h"

#include <optional>
#include <string>
#include <string_view>

namespace vantrel::capability {

// The capability a TWAIN name (in any case) or a number (4353 or 0x1101) stands for.
std::optional<CapabilityInfo> FindNamedCapability(std::string_view name);

// Numbers (decimal or 0x hexadecimal), TRUE/FALSE, constant names of the capability's own family
// (TWPT_GRAY), frames as "left,top,right,bottom", and text for string capabilities; nullopt for
// anything else and for a value its item type cannot hold.
std::optional<OneValue> ReadValueText(const CapabilityInfo& info, std::string_view text);

// What ReadValueText takes for this capability, for an error: "TRUE or FALSE", "a number", ...
std::string AcceptedValues(const CapabilityInfo& info);

// ASCII text as narrow characters, or nullopt when it holds anything else: TWAIN's strings are
// bytes in the source's own code page, so only ASCII means the same everywhere.
std::optional<std::string> AsciiOf(std::wstring_view text);

}  // namespace vantrel::capability
