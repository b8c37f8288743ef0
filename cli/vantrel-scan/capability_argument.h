// "--cap NAME=VALUE": a capability by its TWAIN name and a value read by that capability's item type.
#pragma once

#include "cli/vantrel-scan/scan_arguments.h"

#include <string>
#include <string_view>

namespace vantrel::scan {

// Numbers (decimal or 0x hexadecimal), TRUE/FALSE, constant names of the capability's own family
// (TWPT_GRAY), frames as "left,top,right,bottom", and text for string capabilities. Empty on success.
std::wstring ParseCapabilitySetting(std::wstring_view text, CapabilitySetting& setting);

// ASCII text as narrow characters, or nullopt when it holds anything else.
std::optional<std::string> AsciiOf(std::wstring_view text);

}  // namespace vantrel::scan
