// Capability values in JSON: constants by name, numbers as numbers, frames as four numbers.
#pragma once

#include "capability_value.h"
#include "json_writer.h"

#include <cstdint>

namespace vantrel::scan {

void WriteItem(JsonWriter& json, std::uint16_t capability, const capability::Item& item);

}  // namespace vantrel::scan
