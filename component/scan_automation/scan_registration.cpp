// Self-registration of VantrelScan.dll: one table walked forwards to write and backwards to remove.
#include "scan_registration.h"

#include "VantrelScan_h.h"
#include "scan_module.h"
#include "win32_owners.h"

#include <olectl.h>

#include <algorithm>

// In oleaut32 since Vista, but missing from MinGW's oleauto.h.
extern "C" HRESULT WINAPI RegisterTypeLibForUser(ITypeLib* library, OLECHAR* path, OLECHAR* helpDirectory);
extern "C" HRESULT WINAPI UnRegisterTypeLibForUser(REFGUID libraryId, WORD major, WORD minor, LCID locale, SYSKIND kind);

namespace vantrel::scan_registration {

namespace {

constexpr wchar_t kDescription[] = L"Vantrel Scan: scans pages from a TWAIN source into image files.";
constexpr wchar_t kProgId[] = L"VantrelScan.Scanner";
constexpr wchar_t kVersionedProgId[] = L"VantrelScan.Scanner.1";

std::wstring GuidText(REFGUID guid) {
    wchar_t text[40] = {};
    ::StringFromGUID2(guid, text, static_cast<int>(std::size(text)));
    return text;
}

// Keys in the record, deepest first: each was written after its parent.
std::vector<std::wstring> KeysToRemove() {
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
    const std::wstring path = scan_module::Path();
    ComPtr<ITypeLib> library;
    const HRESULT hr = ::LoadTypeLibEx(path.c_str(), REGKIND_NONE, library.put());
    if (FAILED(hr)) return hr;
    auto* file = const_cast<wchar_t*>(path.c_str());
    return scope == Scope::User ? ::RegisterTypeLibForUser(library.get(), file, nullptr)
                                : ::RegisterTypeLib(library.get(), file, nullptr);
}

HRESULT UnregisterTypeLibrary(Scope scope) {
    UniqueBstr registeredPath;
    if (FAILED(::QueryPathOfRegTypeLib(LIBID_VantrelScan, 1, 0, 0, registeredPath.put()))) return S_OK;
    const HRESULT hr = scope == Scope::User ? ::UnRegisterTypeLibForUser(LIBID_VantrelScan, 1, 0, 0, SYS_WIN32)
                                            : ::UnRegisterTypeLib(LIBID_VantrelScan, 1, 0, 0, SYS_WIN32);
    if (hr == TYPE_E_REGISTRYACCESS || hr == TYPE_E_CANTLOADLIBRARY) return S_OK;
    return hr;
}

}  // namespace

std::vector<Entry> Record() {
    const std::wstring id = GuidText(CLSID_Scanner);
    const std::wstring clsid = L"CLSID\\" + id;
    // The AppID with an empty DllSurrogate lets a 64-bit client run this 32-bit server in COM's
    // own surrogate process; the class names it by the same identifier.
    return {
        {clsid, L"", kDescription},
        {clsid, L"AppID", id},
        {clsid + L"\\InprocServer32", L"", scan_module::Path()},
        {clsid + L"\\InprocServer32", L"ThreadingModel", L"Apartment"},
        {clsid + L"\\ProgID", L"", kVersionedProgId},
        {clsid + L"\\VersionIndependentProgID", L"", kProgId},
        {clsid + L"\\TypeLib", L"", GuidText(LIBID_VantrelScan)},
        {clsid + L"\\Version", L"", L"1.0"},
        {L"AppID\\" + id, L"", kDescription},
        {L"AppID\\" + id, L"DllSurrogate", L""},
        {kProgId, L"", kDescription},
        {std::wstring(kProgId) + L"\\CLSID", L"", id},
        {std::wstring(kProgId) + L"\\CurVer", L"", kVersionedProgId},
        {kVersionedProgId, L"", kDescription},
        {std::wstring(kVersionedProgId) + L"\\CLSID", L"", id},
    };
}

HRESULT Register(Scope scope) {
    try {
        const HRESULT library = RegisterTypeLibrary(scope);
        if (FAILED(library)) return library;
        UniqueRegKey root = ClassesRoot(scope);
        if (!root) return SELFREG_E_CLASS;
        for (const Entry& entry : Record()) {
            if (SUCCEEDED(Write(root.get(), entry))) continue;
            Unregister(scope);
            return SELFREG_E_CLASS;
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
            for (const std::wstring& key : KeysToRemove()) {
                const LSTATUS status = ::RegDeleteKeyW(root.get(), key.c_str());
                if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) result = SELFREG_E_CLASS;
            }
        }
        const HRESULT library = UnregisterTypeLibrary(scope);
        return FAILED(library) ? library : result;
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

}  // namespace vantrel::scan_registration
