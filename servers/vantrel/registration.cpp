// Self-registration: the class, its ProgID, its AppID for COM's surrogate and the type library, for
// the machine or the current user.
#include "servers/vantrel/registration.h"

#include "Vantrel_h.h"
#include "servers/vantrel/module_state.h"
#include "win32/win32_owners.h"

#include <olectl.h>

#include <algorithm>
#include <string>
#include <vector>

// In oleaut32 since Vista, but missing from MinGW's oleauto.h.
extern "C" HRESULT WINAPI RegisterTypeLibForUser(ITypeLib* library, OLECHAR* path, OLECHAR* helpDirectory);
extern "C" HRESULT WINAPI UnRegisterTypeLibForUser(REFGUID libraryId, WORD major, WORD minor, LCID locale, SYSKIND kind);

namespace vantrel::registration {

namespace {

constexpr wchar_t kDescription[] = L"Class to acquire pictures according to the TWAIN standard.";
constexpr wchar_t kProgId[] = L"Vantrel.TWAIN";

std::wstring GuidText(REFGUID guid) {
    wchar_t text[40] = {};
    ::StringFromGUID2(guid, text, static_cast<int>(std::size(text)));
    return text;
}

struct Entry {
    std::wstring key;        // below the classes root
    std::wstring valueName;  // empty: the key's default value
    std::wstring value;
};

// The registration record, in the order it is written; removal walks it backwards.
std::vector<Entry> Record() {
    const std::wstring id = GuidText(CLSID_TWAIN);
    const std::wstring clsid = L"CLSID\\" + id;
    // The AppID with an empty DllSurrogate lets a 64-bit client run this 32-bit server in COM's
    // 32-bit dllhost.exe.
    return {
        {clsid, L"", kDescription},
        {clsid, L"AppID", id},
        {clsid + L"\\InprocServer32", L"", module::Path()},
        {clsid + L"\\InprocServer32", L"ThreadingModel", L"Apartment"},
        {clsid + L"\\ProgID", L"", kProgId},
        {clsid + L"\\TypeLib", L"", GuidText(LIBID_Vantrel)},
        {clsid + L"\\Version", L"", L"1.0"},
        {kProgId, L"", kDescription},
        {std::wstring(kProgId) + L"\\CLSID", L"", id},
        {L"AppID\\" + id, L"DllSurrogate", L""},
    };
}

// The record's keys, deepest first: each key is written after its parent, so the last written
// comes first.
std::vector<std::wstring> Keys() {
    std::vector<std::wstring> keys;
    for (const Entry& entry : Record())
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

HRESULT Write(HKEY root, const Entry& entry) {
    UniqueRegKey key;
    LSTATUS status = ::RegCreateKeyExW(root, entry.key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, key.put(), nullptr);
    if (status != ERROR_SUCCESS) return HRESULT_FROM_WIN32(status);
    const auto bytes = static_cast<DWORD>((entry.value.size() + 1) * sizeof(wchar_t));
    status = ::RegSetValueExW(key.get(), entry.valueName.empty() ? nullptr : entry.valueName.c_str(), 0, REG_SZ,
                              reinterpret_cast<const BYTE*>(entry.value.c_str()), bytes);
    return HRESULT_FROM_WIN32(status);
}

HRESULT RegisterTypeLibrary(Scope scope) {
    const std::wstring path = module::Path();
    ComPtr<ITypeLib> library;
    HRESULT hr = ::LoadTypeLibEx(path.c_str(), REGKIND_NONE, library.put());
    if (FAILED(hr)) return hr;
    // No help directory.
    if (scope == Scope::User) return ::RegisterTypeLibForUser(library.get(), const_cast<wchar_t*>(path.c_str()), nullptr);
    return ::RegisterTypeLib(library.get(), const_cast<wchar_t*>(path.c_str()), nullptr);
}

HRESULT UnregisterTypeLibrary(Scope scope) {
    // Not registered at all counts as removed.
    UniqueBstr registeredPath;
    if (FAILED(::QueryPathOfRegTypeLib(LIBID_Vantrel, 1, 0, 0, registeredPath.put()))) return S_OK;
    const HRESULT hr = scope == Scope::User ? ::UnRegisterTypeLibForUser(LIBID_Vantrel, 1, 0, 0, SYS_WIN32)
                                            : ::UnRegisterTypeLib(LIBID_Vantrel, 1, 0, 0, SYS_WIN32);
    if (hr == TYPE_E_REGISTRYACCESS || hr == TYPE_E_CANTLOADLIBRARY) return S_OK;
    return hr;
}

}  // namespace

HRESULT Register(Scope scope) {
    try {
        HRESULT hr = RegisterTypeLibrary(scope);
        if (FAILED(hr)) return hr;
        UniqueRegKey root = ClassesRoot(scope);
        if (!root) return SELFREG_E_CLASS;
        for (const Entry& entry : Record()) {
            hr = Write(root.get(), entry);
            if (FAILED(hr)) {
                Unregister(scope);
                return SELFREG_E_CLASS;
            }
        }
        return S_OK;
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

HRESULT Unregister(Scope scope) {
    try {
        HRESULT result = S_OK;
        if (UniqueRegKey root = ClassesRoot(scope)) {
            for (const std::wstring& key : Keys()) {
                const LSTATUS status = ::RegDeleteKeyW(root.get(), key.c_str());
                if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) result = SELFREG_E_CLASS;
            }
        }
        const HRESULT typeLibrary = UnregisterTypeLibrary(scope);
        return FAILED(typeLibrary) ? typeLibrary : result;
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

}  // namespace vantrel::registration
