// VantrelScan.dll's registration record: the class, its ProgIDs, its AppID for COM's surrogate and
// the type library.
#include "servers/vantrel_scan/scan_registration.h"

#include "VantrelScan_h.h"
#include "com/module_state.h"

namespace vantrel::scan_registration {

namespace {

constexpr wchar_t kDescription[] = L"Vantrel Scan: scans pages from a TWAIN source into image files.";
constexpr wchar_t kVersionedProgId[] = L"VantrelScan.Scanner.1";

}  // namespace

std::vector<com::RegistryEntry> Record() {
    using com::GuidText;
    using com::View;
    const std::wstring id = GuidText(CLSID_Scanner);
    const std::wstring clsid = L"CLSID\\" + id;
    const std::wstring progId = kProgId;
    const std::wstring versionedProgId = kVersionedProgId;
    // The AppID with an empty DllSurrogate lets a 64-bit client run the 32-bit server in COM's own
    // surrogate process; the class names it by the same identifier. They come last, after
    // everything both builds write.
    return {
        {clsid, L"", kDescription},
        {clsid + L"\\InprocServer32", L"", com::ModulePath()},
        {clsid + L"\\InprocServer32", L"ThreadingModel", L"Apartment"},
        {clsid + L"\\ProgID", L"", versionedProgId},
        {clsid + L"\\VersionIndependentProgID", L"", progId},
        {clsid + L"\\TypeLib", L"", GuidText(LIBID_VantrelScan)},
        {clsid + L"\\Version", L"", L"1.0"},
        {progId, L"", kDescription},
        {progId + L"\\CLSID", L"", id},
        {progId + L"\\CurVer", L"", versionedProgId},
        {versionedProgId, L"", kDescription},
        {versionedProgId + L"\\CLSID", L"", id},
        {clsid, L"AppID", id, View::Win32},
        {L"AppID\\" + id, L"", kDescription, View::Win32},
        {L"AppID\\" + id, L"DllSurrogate", L"", View::Win32},
    };
}

}  // namespace vantrel::scan_registration
