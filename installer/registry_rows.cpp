// Writes the registry rows a server's own registration writes, for the installer's tables: the
// server's record as this build walks it, then what registering its type library adds.
// Usage: registry_rows SERVER DLL OUTPUT.tsv (SERVER: Vantrel or VantrelScan; DLL: the built server,
// read for its type library). Each line, in UTF-16LE: key, value name and value, tab-separated, the
// key below the classes root; the server's path is written as {path} and its folder as {folder},
// for the installer to fill in.
#include "VantrelScan_h.h"
#include "com/module_state.h"
#include "com/registration.h"
#include "com/server.h"
#include "servers/vantrel_scan/scan_registration.h"
#include "win32/win32_owners.h"
#ifndef _WIN64
#include "Vantrel_h.h"
#include "servers/vantrel/registration.h"
#endif

#include <cstdio>
#include <cwchar>
#include <fstream>
#include <string>
#include <vector>

namespace {

using vantrel::ComPtr;
using vantrel::com::GuidText;
using vantrel::com::RegistryEntry;

// The servers this build makes, as their DLLs describe themselves to the walker.
const vantrel::com::Server* ServerNamed(const std::wstring& name) {
    static const vantrel::com::Server scan{&CLSID_Scanner, nullptr, &LIBID_VantrelScan, 1, 0, nullptr,
                                           &vantrel::scan_registration::Record};
    if (name == L"VantrelScan") return &scan;
#ifndef _WIN64
    static const vantrel::com::Server twain{&CLSID_TWAIN, nullptr, &LIBID_Vantrel, 1, 0, nullptr, &vantrel::registration::Record};
    if (name == L"Vantrel") return &twain;
#endif
    return nullptr;
}

std::wstring Replaced(std::wstring text, const std::wstring& from, const wchar_t* to) {
    for (size_t at = text.find(from); !from.empty() && at != std::wstring::npos; at = text.find(from, at + 1))
        text.replace(at, from.size(), to);
    return text;
}

// What RegisterTypeLib writes for the library and each interface it marshals: dispinterfaces
// through PSDispatch, dual and oleautomation interfaces through the type-library marshaller.
std::vector<RegistryEntry> TypeLibraryEntries(ITypeLib* library) {
    // The descriptions the library and its types lend are copied and given back at once.
    TLIBATTR* lent = nullptr;
    if (FAILED(library->GetLibAttr(&lent))) return {};
    const TLIBATTR attributes = *lent;
    library->ReleaseTLibAttr(lent);
    const std::wstring id = GuidText(attributes.guid);
    const std::wstring version = std::to_wstring(attributes.wMajorVerNum) + L"." + std::to_wstring(attributes.wMinorVerNum);
    const std::wstring root = L"TypeLib\\" + id + L"\\" + version;
    wchar_t locale[16] = {};
    std::swprintf(locale, std::size(locale), L"%lx", static_cast<unsigned long>(attributes.lcid));
    std::vector<RegistryEntry> entries;
    vantrel::UniqueBstr name, help;
    library->GetDocumentation(-1, name.put(), help.put(), nullptr, nullptr);
    entries.push_back({root, L"", help && *help.get() ? help.get() : name ? name.get() : L""});
    entries.push_back({root + L"\\" + locale + (attributes.syskind == SYS_WIN64 ? L"\\win64" : L"\\win32"), L"", L"{path}"});
    entries.push_back({root + L"\\FLAGS", L"", std::to_wstring(attributes.wLibFlags)});
    entries.push_back({root + L"\\HELPDIR", L"", L"{folder}"});

    for (UINT index = 0; index < library->GetTypeInfoCount(); ++index) {
        ComPtr<ITypeInfo> info;
        TYPEATTR* lentType = nullptr;
        if (FAILED(library->GetTypeInfo(index, info.put())) || FAILED(info->GetTypeAttr(&lentType))) continue;
        const TYPEATTR type = *lentType;
        info->ReleaseTypeAttr(lentType);
        const bool dispatch = type.typekind == TKIND_DISPATCH;
        const bool marshalled = type.typekind == TKIND_INTERFACE && (type.wTypeFlags & TYPEFLAG_FOLEAUTOMATION);
        const bool dual = (type.wTypeFlags & TYPEFLAG_FDUAL) != 0;
        const std::wstring key = L"Interface\\" + GuidText(type.guid);
        if (!dispatch && !marshalled) continue;
        const wchar_t* proxy = dispatch && !dual ? L"{00020420-0000-0000-C000-000000000046}" : L"{00020424-0000-0000-C000-000000000046}";
        vantrel::UniqueBstr typeName;
        info->GetDocumentation(MEMBERID_NIL, typeName.put(), nullptr, nullptr, nullptr);
        entries.push_back({key, L"", typeName ? typeName.get() : L""});
        entries.push_back({key + L"\\ProxyStubClsid", L"", proxy});
        entries.push_back({key + L"\\ProxyStubClsid32", L"", proxy});
        entries.push_back({key + L"\\TypeLib", L"", id});
        entries.push_back({key + L"\\TypeLib", L"Version", version});
    }
    return entries;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const vantrel::com::Server* server = argc == 4 ? ServerNamed(argv[1]) : nullptr;
    if (!server) {
        std::fputs("usage: registry_rows (Vantrel|VantrelScan) DLL OUTPUT.tsv\n", stderr);
        return 2;
    }
    ComPtr<ITypeLib> library;
    if (FAILED(::LoadTypeLibEx(argv[2], REGKIND_NONE, library.put()))) {
        std::fputs("registry_rows: the DLL holds no type library\n", stderr);
        return 2;
    }
    // The record names the module it is compiled into: here this program.
    const std::wstring self = vantrel::com::ModulePath();
    std::vector<RegistryEntry> rows = vantrel::com::Entries(*server);
    for (RegistryEntry& row : TypeLibraryEntries(library.get())) rows.push_back(std::move(row));
    std::wstring text;
    for (const RegistryEntry& row : rows) text += row.key + L'\t' + row.valueName + L'\t' + Replaced(row.value, self, L"{path}") + L'\n';
    std::ofstream out(argv[3], std::ios::binary);
    out.write(reinterpret_cast<const char*>(text.data()), static_cast<std::streamsize>(text.size() * sizeof(wchar_t)));
    return out.flush() ? 0 : 1;
}
