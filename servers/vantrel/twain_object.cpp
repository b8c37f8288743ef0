// The TWAIN object: construction, properties, the DSM connection and source selection.
#include "servers/vantrel/twain_object.h"

#include "win32/ansi_text.h"

namespace vantrel {

TWAIN::TWAIN() : Version_(std::to_wstring(kProtocolMajor) + L"." + std::to_wstring(kProtocolMinor)) {
    ::MessageBoxA(nullptr, "Initialize()", "Vantrel", MB_OK | MB_ICONINFORMATION);
}

HWND TWAIN::Owner() const noexcept { return reinterpret_cast<HWND>(static_cast<std::intptr_t>(OwnerHwnd_)); }

void TWAIN::SetOwnerHwnd(std::int32_t newValue) noexcept {
    OwnerHwnd_ = newValue;
    session_.Reparent(Owner());
}

bool TWAIN::Create() {
    // The classic object never opens the DSM for a hidden window of its own, and never twice.
    if (session_.scanning() || OwnerHwnd_ == 0 || session_.open()) return false;
    const std::string productName = ToAnsi(Application_);
    const engine::ApplicationProfile classic{
        kProtocolMajor, kProtocolMinor, false, "Version 1.000 03/12/2003", "Marlowbridge", "TWAIN", productName};
    return session_.Open(Owner(), classic).empty();
}

void TWAIN::Destroy() noexcept { session_.Close(); }

Outcome TWAIN::SelectSource() {
    switch (session_.ChooseSource()) {
    case engine::Selection::Chosen: return Outcome::Carried;
    case engine::Selection::Cancelled: return Outcome::Cancelled;
    default: return Outcome::Failed;
    }
}

}  // namespace vantrel
