// Who this data source says it is (pure logic).
#pragma once

#include "scanner/twain_source_records.h"

namespace vantrel::scanner {

inline constexpr const char* kProductName = "Vantrel Sample Scanner";
inline constexpr const char* kManufacturer = "Marlowbridge";
inline constexpr const char* kProductFamily = "Vantrel";

// Fills every field of `identity` except Id, which belongs to the DSM (it numbers the sources
// it knows and routes later calls by that number).
void DescribeSource(twain::TW_IDENTITY& identity);

}  // namespace vantrel::scanner
