// Capability values in JSON: constants by name, numbers as numbers, frames as four numbers.
#pragma once

#include "twain/capability/capability_value.h"
#include "cli/vantrel-scan/json_writer.h"

#include <cstdint>

namespace vantrel::scan {

void WriteItem(JsonWriter& json, std::uint16_t capability, const capability::Item& item);

}  // namespace vantrel::scan
