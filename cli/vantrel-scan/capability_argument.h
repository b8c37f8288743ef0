// "--cap NAME=VALUE": a capability by its TWAIN name and a value read by that capability's item type.
#pragma once

#include "cli/vantrel-scan/scan_arguments.h"

#include <string>
#include <string_view>

namespace vantrel::scan {

// The value is read as capability::ReadValueText reads it. Empty on success.
std::wstring ParseCapabilitySetting(std::wstring_view text, CapabilitySetting& setting);

}  // namespace vantrel::scan
