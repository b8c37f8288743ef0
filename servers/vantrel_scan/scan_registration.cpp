// Self-registration of VantrelScan.dll: one table walked forwards to write and backwards to remove.
#include "servers/vantrel_scan/scan_registration.h"

#include "VantrelScan_h.h"
#include "servers/vantrel_scan/scan_module.h"
#include "win32/win32_owners.h"

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

// The type library registers under win32 or win64, as this build targets.
constexpr SYSKIND kSysKind = sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32;

HRESULT UnregisterTypeLibrary(Scope scope) {
    UniqueBstr registeredPath;
    if (FAILED(::QueryPathOfRegTypeLib(LIBID_VantrelScan, 1, 0, 0, registeredPath.put()))) return S_OK;
    const HRESULT hr = scope == Scope::User ? ::UnRegisterTypeLibForUser(LIBID_VantrelScan, 1, 0, 0, kSysKind)
                                            : ::UnRegisterTypeLib(LIBID_VantrelScan, 1, 0, 0, kSysKind);
    if (hr == TYPE_E_REGISTRYACCESS || hr == TYPE_E_CANTLOADLIBRARY) return S_OK;
    return hr;
}

// Removing the 64-bit type library also removes the interfaces' marshalling keys that 64-bit
// clients of the 32-bit server in COM's surrogate rely on. When the 32-bit server's type library
// is still registered, it is registered again, which writes them back.
HRESULT RestoreWin32TypeLibrary(Scope scope) {
    if constexpr (kSysKind == SYS_WIN32) return S_OK;
    UniqueBstr path;
    if (FAILED(::QueryPathOfRegTypeLib(LIBID_VantrelScan, 1, 0, 0, path.put()))) return S_OK;
    if (::_wcsicmp(path.get(), scan_module::Path().c_str()) == 0) return S_OK;
    ComPtr<ITypeLib> library;
    // A registration left behind by a file that is gone: nothing to restore.
    if (FAILED(::LoadTypeLibEx(path.get(), REGKIND_NONE, library.put()))) return S_OK;
    return scope == Scope::User ? ::RegisterTypeLibForUser(library.get(), path.get(), nullptr)
                                : ::RegisterTypeLib(library.get(), path.get(), nullptr);
}

}  // namespace

std::vector<Entry> Record() {
    const std::wstring id = GuidText(CLSID_Scanner);
    const std::wstring clsid = L"CLSID\\" + id;
    std::vector<Entry> record = {
        {clsid, L"", kDescription},
        {clsid + L"\\InprocServer32", L"", scan_module::Path()},
        {clsid + L"\\InprocServer32", L"ThreadingModel", L"Apartment"},
        {clsid + L"\\ProgID", L"", kVersionedProgId},
        {clsid + L"\\VersionIndependentProgID", L"", kProgId},
        {clsid + L"\\TypeLib", L"", GuidText(LIBID_VantrelScan)},
        {clsid + L"\\Version", L"", L"1.0"},
        {kProgId, L"", kDescription},
        {std::wstring(kProgId) + L"\\CLSID", L"", id},
        {std::wstring(kProgId) + L"\\CurVer", L"", kVersionedProgId},
        {kVersionedProgId, L"", kDescription},
        {std::wstring(kVersionedProgId) + L"\\CLSID", L"", id},
    };
    // The AppID with an empty DllSurrogate lets a 64-bit client run the 32-bit server in COM's own
    // surrogate process; the class names it by the same identifier. The 64-bit server writes none:
    // the AppID key is shared by both registry views, and removing the 64-bit server must not take
    // the 32-bit one's surrogate away.
    if constexpr (sizeof(void*) == 4) {
        record.push_back({clsid, L"AppID", id});
        record.push_back({L"AppID\\" + id, L"", kDescription});
        record.push_back({L"AppID\\" + id, L"DllSurrogate", L""});
    }
    return record;
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
        HRESULT library = UnregisterTypeLibrary(scope);
        if (SUCCEEDED(library)) library = RestoreWin32TypeLibrary(scope);
        return FAILED(library) ? library : result;
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

}  // namespace vantrel::scan_registration
