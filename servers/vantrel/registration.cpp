// Vantrel.dll's registration record: the class, its ProgID, its AppID for COM's surrogate and the
// type library.
#include "servers/vantrel/registration.h"

#include "Vantrel_h.h"
#include "com/module_state.h"

namespace vantrel::registration {

namespace {

constexpr wchar_t kDescription[] = L"Class to acquire pictures according to the TWAIN standard.";

}  // namespace

std::vector<com::RegistryEntry> Record() {
    using com::GuidText;
    const std::wstring id = GuidText(CLSID_TWAIN);
    const std::wstring clsid = L"CLSID\\" + id;
    const std::wstring progId = kProgId;
    // The AppID with an empty DllSurrogate lets a 64-bit client run this 32-bit server in COM's
    // 32-bit dllhost.exe. The AppID key has no default value: this server has always registered it so.
    return {
        {clsid, L"", kDescription},
        {clsid, L"AppID", id},
        {clsid + L"\\InprocServer32", L"", com::ModulePath()},
        {clsid + L"\\InprocServer32", L"ThreadingModel", L"Apartment"},
        {clsid + L"\\ProgID", L"", progId},
        {clsid + L"\\TypeLib", L"", GuidText(LIBID_Vantrel)},
        {clsid + L"\\Version", L"", L"1.0"},
        {progId, L"", kDescription},
        {progId + L"\\CLSID", L"", id},
        {L"AppID\\" + id, L"DllSurrogate", L""},
    };
}

}  // namespace vantrel::registration
