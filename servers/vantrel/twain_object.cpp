// The TWAIN object: construction, properties, the DSM connection and source selection.
#include "servers/vantrel/twain_object.h"

#include "win32/ansi_text.h"
#include "twain/identity_text.h"

#include <cstring>

namespace vantrel {

using namespace twain;

namespace {

void ZeroIdentity(TW_IDENTITY& identity) noexcept { std::memset(&identity, 0, sizeof identity); }

void SetIdentityText(TW_STR32& field, std::string_view ansi) {
    WriteIdentityText(field, sizeof field, ansi, [](unsigned char c) { return ::IsDBCSLeadByte(c) != FALSE; });
}

}  // namespace

TWAIN::TWAIN() : Version_(std::to_wstring(kProtocolMajor) + L"." + std::to_wstring(kProtocolMinor)) {
    ::MessageBoxA(nullptr, "Initialize()", "Vantrel", MB_OK | MB_ICONINFORMATION);
}

bool TWAIN::Create() {
    if (acquiring_ || OwnerHwnd_ == 0 || dsm_.library()) return false;
    if (!dsm_.Bind()) return false;

    FillAppIdentity();
    if (OpenDSM()) {
        DsmOpen_ = true;
        return true;
    }
    dsm_.Release();
    ZeroIdentity(AppIdentity_);
    return false;
}

void TWAIN::Destroy() noexcept {
    if (acquiring_) {
        // The running Acquire still has the source open through the DSM: it ends its loop,
        // disables and closes the source, and then finishes this Destroy.
        destroyRequested_ = true;
        ::PostThreadMessageW(::GetCurrentThreadId(), WM_NULL, 0, 0);
        return;
    }
    if (dsm_.bound() && DsmOpen_) {
        CloseDSM();
        DsmOpen_ = false;
    }
    dsm_.Release();
    ZeroIdentity(AppIdentity_);
    ZeroIdentity(SourceIdentity_);
}

Outcome TWAIN::SelectSource() {
    if (acquiring_ || !DsmOpen_) return Outcome::Failed;
    ZeroIdentity(SourceIdentity_);
    switch (CallDsm(DG_CONTROL, DAT_IDENTITY, MSG_USERSELECT, &SourceIdentity_)) {
    case TWRC_SUCCESS: return Outcome::Carried;
    case TWRC_CANCEL: return Outcome::Cancelled;
    default: return Outcome::Failed;
    }
}

void TWAIN::FillAppIdentity() {
    ZeroIdentity(AppIdentity_);
    AppIdentity_.Id = 0;  // the DSM assigns a fresh one
    AppIdentity_.Version.MajorNum = 1;
    AppIdentity_.Version.MinorNum = 0;
    AppIdentity_.Version.Language = TWLG_USA;
    AppIdentity_.Version.Country = TWCY_USA;
    SetIdentityText(AppIdentity_.Version.Info, "Version 1.000 03/12/2003");
    AppIdentity_.ProtocolMajor = kProtocolMajor;
    AppIdentity_.ProtocolMinor = kProtocolMinor;
    AppIdentity_.SupportedGroups = DG_CONTROL | DG_IMAGE;
    SetIdentityText(AppIdentity_.Manufacturer, "Marlowbridge");
    SetIdentityText(AppIdentity_.ProductFamily, "TWAIN");
    SetIdentityText(AppIdentity_.ProductName, ToAnsi(Application_));
}

TW_UINT16 TWAIN::CallDsm(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, void* data) {
    return dsm_.Call(AppIdentity_, nullptr, dg, dat, msg, data);
}

TW_UINT16 TWAIN::CallSource(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, void* data) {
    return dsm_.Call(AppIdentity_, &SourceIdentity_, dg, dat, msg, data);
}

bool TWAIN::OpenDSM() { return CallDsm(DG_CONTROL, DAT_PARENT, MSG_OPENDSM, &OwnerHwnd_) == TWRC_SUCCESS; }

void TWAIN::CloseDSM() { CallDsm(DG_CONTROL, DAT_PARENT, MSG_CLOSEDSM, &OwnerHwnd_); }

bool TWAIN::OpenDS() { return CallDsm(DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &SourceIdentity_) == TWRC_SUCCESS; }

void TWAIN::CloseDS() { CallDsm(DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &SourceIdentity_); }

}  // namespace vantrel
