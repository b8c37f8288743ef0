// Self-registration walker: a server's record of keys and values, walked forwards to write and
// backwards to remove, plus its type library, for the machine or the current user.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace vantrel::com {

struct Server;

enum class Scope { Machine, User };

// Which builds of a server write an entry.
enum class View {
    Both,
    // Only the 32-bit server: e.g. the AppID that COM's surrogate reads is one key for both
    // registry views, and removing the 64-bit server must not take the 32-bit one's away.
    Win32,
};

struct RegistryEntry {
    std::wstring key;        // below the classes root
    std::wstring valueName;  // empty: the key's default value
    std::wstring value;
    View view = View::Both;
};

// "{xxxxxxxx-...}", as the registry names classes and libraries.
std::wstring GuidText(REFGUID guid);

// The server's record as this build writes it (the installer's rows come from here too).
std::vector<RegistryEntry> Entries(const Server& server);

HRESULT Register(const Server& server, Scope scope);
// Removes what Register wrote, deepest key first; keys already gone count as removed.
HRESULT Unregister(const Server& server, Scope scope);

}  // namespace vantrel::com
