// Vantrel.dll's registration record: the class, its ProgID, its AppID for COM's surrogate and the
// type library.
#pragma once

#include "com/registration.h"

#include <vector>

namespace vantrel::registration {

constexpr wchar_t kProgId[] = L"Vantrel.TWAIN";

// What registration writes, in order.
std::vector<com::RegistryEntry> Record();

}  // namespace vantrel::registration
