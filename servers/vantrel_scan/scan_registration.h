// Self-registration of VantrelScan.dll for the machine or the current user: the class, its ProgIDs,
// its AppID for COM's surrogate, and the type library.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace vantrel::scan_registration {

enum class Scope { Machine, User };

struct Entry {
    std::wstring key;        // below the classes root
    std::wstring valueName;  // empty: the key's default value
    std::wstring value;
};

// What Register writes, in order; the tests compare the registry with it.
std::vector<Entry> Record();

HRESULT Register(Scope scope);
// Removes what Register wrote, deepest key first; keys already gone count as removed.
HRESULT Unregister(Scope scope);

}  // namespace vantrel::scan_registration
