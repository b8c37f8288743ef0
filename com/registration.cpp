// Self-registration walker: one record walked forwards to write and backwards to remove.
#include "com/registration.h"

#include "com/module_state.h"
#include "com/server.h"
#include "win32/win32_owners.h"

#include <olectl.h>

#include <algorithm>

// In oleaut32 since Vista, but missing from MinGW's oleauto.h.
extern "C" HRESULT WINAPI RegisterTypeLibForUser(ITypeLib* library, OLECHAR* path, OLECHAR* helpDirectory);
extern "C" HRESULT WINAPI UnRegisterTypeLibForUser(REFGUID libraryId, WORD major, WORD minor, LCID locale, SYSKIND kind);

namespace vantrel::com {

namespace {

constexpr bool kWin64 = sizeof(void*) == 8;
// The type library registers under win32 or win64, as this build targets.
constexpr SYSKIND kSysKind = kWin64 ? SYS_WIN64 : SYS_WIN32;

// The record's keys, deepest first: each key is written after its parent, so the last written
// comes first.
std::vector<std::wstring> KeysToRemove(const Server& server) {
    std::vector<std::wstring> keys;
    for (const RegistryEntry& entry : Entries(server))
        if (std::find(keys.begin(), keys.end(), entry.key) == keys.end()) keys.push_back(entry.key);
    std::reverse(keys.begin(), keys.end());
    return keys;
}

UniqueRegKey ClassesRoot(Scope scope) {
    UniqueRegKey key;
    const LSTATUS status =
        scope == Scope::Machine
            ? ::RegOpenKeyExW(HKEY_CLASSES_ROOT, nullptr, 0, KEY_ALL_ACCESS, key.put())
            : ::RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Classes", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                key.put(), nullptr);
    if (status != ERROR_SUCCESS) return {};
    return key;
}

HRESULT Write(HKEY root, const RegistryEntry& entry) {
    UniqueRegKey key;
    LSTATUS status = ::RegCreateKeyExW(root, entry.key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, key.put(), nullptr);
    if (status != ERROR_SUCCESS) return HRESULT_FROM_WIN32(status);
    const auto bytes = static_cast<DWORD>((entry.value.size() + 1) * sizeof(wchar_t));
    status = ::RegSetValueExW(key.get(), entry.valueName.empty() ? nullptr : entry.valueName.c_str(), 0, REG_SZ,
                              reinterpret_cast<const BYTE*>(entry.value.c_str()), bytes);
    return HRESULT_FROM_WIN32(status);
}

HRESULT RegisterTypeLibrary(const wchar_t* path, Scope scope) {
    ComPtr<ITypeLib> library;
    const HRESULT hr = ::LoadTypeLibEx(path, REGKIND_NONE, library.put());
    if (FAILED(hr)) return hr;
    // No help directory.
    auto* file = const_cast<wchar_t*>(path);
    return scope == Scope::User ? ::RegisterTypeLibForUser(library.get(), file, nullptr)
                                : ::RegisterTypeLib(library.get(), file, nullptr);
}

HRESULT UnregisterTypeLibrary(const Server& server, Scope scope) {
    const GUID& id = *server.library;
    // Not registered at all counts as removed.
    UniqueBstr registeredPath;
    if (FAILED(::QueryPathOfRegTypeLib(id, server.libraryMajor, server.libraryMinor, 0, registeredPath.put()))) return S_OK;
    const HRESULT hr = scope == Scope::User
                           ? ::UnRegisterTypeLibForUser(id, server.libraryMajor, server.libraryMinor, 0, kSysKind)
                           : ::UnRegisterTypeLib(id, server.libraryMajor, server.libraryMinor, 0, kSysKind);
    if (hr == TYPE_E_REGISTRYACCESS || hr == TYPE_E_CANTLOADLIBRARY) return S_OK;
    return hr;
}

// Removing the 64-bit type library also removes the interfaces' marshalling keys that 64-bit
// clients of the 32-bit server in COM's surrogate rely on. When the 32-bit server's type library
// is still registered, it is registered again, which writes them back.
HRESULT RestoreWin32TypeLibrary(const Server& server, Scope scope) {
    if constexpr (!kWin64) return S_OK;
    UniqueBstr path;
    if (FAILED(::QueryPathOfRegTypeLib(*server.library, server.libraryMajor, server.libraryMinor, 0, path.put())))
        return S_OK;
    if (::_wcsicmp(path.get(), ModulePath().c_str()) == 0) return S_OK;
    // A registration left behind by a file that is gone: nothing to restore.
    ComPtr<ITypeLib> library;
    if (FAILED(::LoadTypeLibEx(path.get(), REGKIND_NONE, library.put()))) return S_OK;
    return scope == Scope::User ? ::RegisterTypeLibForUser(library.get(), path.get(), nullptr)
                                : ::RegisterTypeLib(library.get(), path.get(), nullptr);
}

}  // namespace

std::vector<RegistryEntry> Entries(const Server& server) {
    std::vector<RegistryEntry> entries = server.record();
    if constexpr (kWin64)
        std::erase_if(entries, [](const RegistryEntry& entry) { return entry.view == View::Win32; });
    return entries;
}

std::wstring GuidText(REFGUID guid) {
    wchar_t text[40] = {};
    ::StringFromGUID2(guid, text, static_cast<int>(std::size(text)));
    return text;
}

HRESULT Register(const Server& server, Scope scope) {
    try {
        const HRESULT library = RegisterTypeLibrary(ModulePath().c_str(), scope);
        if (FAILED(library)) return library;
        UniqueRegKey root = ClassesRoot(scope);
        if (!root) return SELFREG_E_CLASS;
        for (const RegistryEntry& entry : Entries(server)) {
            if (SUCCEEDED(Write(root.get(), entry))) continue;
            Unregister(server, scope);
            return SELFREG_E_CLASS;
        }
        return S_OK;
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

HRESULT Unregister(const Server& server, Scope scope) {
    try {
        HRESULT result = S_OK;
        if (UniqueRegKey root = ClassesRoot(scope)) {
            for (const std::wstring& key : KeysToRemove(server)) {
                const LSTATUS status = ::RegDeleteKeyW(root.get(), key.c_str());
                if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) result = SELFREG_E_CLASS;
            }
        }
        HRESULT library = UnregisterTypeLibrary(server, scope);
        if (SUCCEEDED(library)) library = RestoreWin32TypeLibrary(server, scope);
        return FAILED(library) ? library : result;
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

}  // namespace vantrel::com
