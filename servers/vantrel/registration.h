// Self-registration: the class, its ProgID and the type library, for the machine or the current user.
#pragma once

#include <windows.h>

namespace vantrel::registration {

enum class Scope { Machine, User };

HRESULT Register(Scope scope);
// Removes what Register wrote; keys that are already gone count as removed.
HRESULT Unregister(Scope scope);

}  // namespace vantrel::registration
