// What this data source says of itself beyond the shared TWAIN records and codes.
#pragma once

#include "twain/twain_records.h"

namespace vantrel::twain {

// The protocol version this source speaks (the component's own is another).
inline constexpr TW_UINT16 kSourceProtocolMajor = 2;
inline constexpr TW_UINT16 kSourceProtocolMinor = 4;

}  // namespace vantrel::twain
