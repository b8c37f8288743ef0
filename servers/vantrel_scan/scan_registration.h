// VantrelScan.dll's registration record: the class, its ProgIDs, its AppID for COM's surrogate and
// the type library.
#pragma once

#include "com/registration.h"

#include <vector>

namespace vantrel::scan_registration {

constexpr wchar_t kProgId[] = L"VantrelScan.Scanner";

// What registration writes, in order.
std::vector<com::RegistryEntry> Record();

}  // namespace vantrel::scan_registration
