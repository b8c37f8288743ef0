// The data source's requests, each named in TWAIN's terms, and its notices to the application.
#include "source.h"

#include "chart_image.h"
#include "environment.h"
#include "log_line.h"
#include "source_identity.h"

#include <utility>

namespace vantrel::scanner {

using namespace twain;

namespace {

// Handles and window handles travel as 32-bit numbers in the TWAIN records on Win32.
template <typename Handle>
Handle FromTwain(TW_UINT32 value) {
    return reinterpret_cast<Handle>(static_cast<UINT_PTR>(value));
}

template <typename Handle>
TW_UINT32 ToTwain(Handle handle) {
    return static_cast<TW_UINT32>(reinterpret_cast<UINT_PTR>(handle));
}

bool CancelRequested() { return EnvironmentText(L"VANTREL_SCANNER_CANCEL_TRANSFER") == "1"; }

ScanSettings SettingsFromEnvironment() {
    return SettingsFrom(EnvironmentText(L"VANTREL_SCANNER_MODE"), EnvironmentText(L"VANTREL_SCANNER_SIZE"));
}

}  // namespace

Source::Source() : noticeMessage_(::RegisterWindowMessageW(L"Vantrel Sample Scanner notice")) {}

// Nothing is torn down at unload: a well-behaved application has disabled and closed the source by then,
// and window calls are not safe while the loader unloads the module.
Source::~Source() = default;

Source& TheSource() {
    static Source source;
    return source;
}

TW_UINT16 Source::Fail(TW_UINT16 condition) noexcept {
    condition_ = condition;
    return TWRC_FAILURE;
}

TW_UINT16 Source::FailUnexpectedly() { return Fail(TWCC_BUMMER); }

TW_UINT16 Source::Serve(TW_IDENTITY* origin, const Triplet& triplet, void* data, std::string& detail) {
    switch (Admit(triplet, state_)) {
        case Admission::Unsupported: return Fail(TWCC_BADPROTOCOL);
        case Admission::WrongState: return Fail(TWCC_SEQERROR);
        case Admission::Admitted: break;
    }
    // DAT_STATUS reports the outcome of the triplet before it, so it must not clear it first.
    if (triplet.dat == DAT_STATUS) return GetStatus(static_cast<TW_STATUS*>(data));
    condition_ = TWCC_SUCCESS;
    return Dispatch(origin, triplet, data, detail);
}

TW_UINT16 Source::Dispatch(TW_IDENTITY* origin, const Triplet& triplet, void* data, std::string& detail) {
    switch (triplet.dat) {
        case DAT_IDENTITY:
            if (triplet.msg == MSG_GET) return GetIdentity(static_cast<TW_IDENTITY*>(data));
            if (triplet.msg == MSG_OPENDS) return OpenDS(origin, static_cast<TW_IDENTITY*>(data));
            return CloseDS();  // its data is not ours to read: Wine passes whatever came with MSG_CLOSEDSM
        case DAT_CAPABILITY:
            if (triplet.msg == MSG_SET) return SetCapability(static_cast<TW_CAPABILITY*>(data));
            return GetCapability(static_cast<TW_CAPABILITY*>(data));
        case DAT_USERINTERFACE:
            if (triplet.msg == MSG_ENABLEDS) return EnableDS(static_cast<TW_USERINTERFACE*>(data));
            return DisableDS();
        case DAT_EVENT:
            return ProcessEvent(static_cast<TW_EVENT*>(data), detail);
        case DAT_PENDINGXFERS:
            return ClearPendingTransfers(static_cast<TW_PENDINGXFERS*>(data));  // MSG_ENDXFER or MSG_RESET
        case DAT_IMAGEINFO:
            return GetImageInfo(static_cast<TW_IMAGEINFO*>(data));
        case DAT_IMAGENATIVEXFER:
            return NativeXfer(static_cast<TW_UINT32*>(data), detail);
        default:
            return Fail(TWCC_BADPROTOCOL);
    }
}

TW_UINT16 Source::GetIdentity(TW_IDENTITY* identity) {
    if (!identity) return Fail(TWCC_BADVALUE);
    DescribeSource(*identity);
    return TWRC_SUCCESS;
}

// The DSM has numbered the source in identity->Id; the rest is filled in for the application.
// Settings start afresh from the environment for every session.
TW_UINT16 Source::OpenDS(const TW_IDENTITY* origin, TW_IDENTITY* identity) {
    if (!identity) return Fail(TWCC_BADVALUE);
    application_ = origin ? *origin : TW_IDENTITY{};
    DescribeSource(*identity);
    capabilities_ = CapabilityState{SettingsFromEnvironment(), true};
    state_ = State::Open;
    return TWRC_SUCCESS;
}

TW_UINT16 Source::CloseDS() {
    application_ = TW_IDENTITY{};
    state_ = State::Closed;
    return TWRC_SUCCESS;
}

TW_UINT16 Source::GetStatus(TW_STATUS* status) {
    if (!status) return Fail(TWCC_BADVALUE);
    status->ConditionCode = std::exchange(condition_, TWCC_SUCCESS);
    status->Reserved = 0;
    return TWRC_SUCCESS;
}

// The container is a new GHND block the application owns and frees.
TW_UINT16 Source::GetCapability(TW_CAPABILITY* capability) {
    if (!capability) return Fail(TWCC_BADVALUE);
    const std::optional<OneValue> value = CurrentValue(capability->Cap, capabilities_);
    if (!value) return Fail(TWCC_CAPUNSUPPORTED);
    UniqueGlobal block(::GlobalAlloc(GHND, sizeof(TW_ONEVALUE)));
    if (!block) return Fail(TWCC_LOWMEMORY);
    {
        GlobalLock<TW_ONEVALUE> container(block.get());
        if (!container) return Fail(TWCC_LOWMEMORY);
        container->ItemType = value->itemType;
        container->Item = value->item;
    }
    capability->ConType = TWON_ONEVALUE;
    capability->hContainer = ToTwain(block.release());
    return TWRC_SUCCESS;
}

// The container stays the application's: it is read here, never freed.
TW_UINT16 Source::SetCapability(TW_CAPABILITY* capability) {
    if (!capability) return Fail(TWCC_BADVALUE);
    if (!CurrentValue(capability->Cap, capabilities_)) return Fail(TWCC_CAPUNSUPPORTED);
    if (capability->ConType != TWON_ONEVALUE) return Fail(TWCC_BADVALUE);
    GlobalLock<const TW_ONEVALUE> container(FromTwain<HGLOBAL>(capability->hContainer));
    if (!container) return Fail(TWCC_BADVALUE);
    const TW_UINT16 outcome = SetValue(capability->Cap, {container->ItemType, container->Item}, capabilities_);
    if (outcome != TWCC_SUCCESS) return Fail(outcome);
    return TWRC_SUCCESS;
}

// With the user interface the user decides when to scan; without it the one page on the glass
// is ready at once. Either way the notice is posted, never sent from inside this call: the
// application learns of it from its own message loop once MSG_ENABLEDS has returned.
TW_UINT16 Source::EnableDS(const TW_USERINTERFACE* ui) {
    if (!ui) return Fail(TWCC_BADVALUE);
    HWND parent = FromTwain<HWND>(ui->hParent);
    parent_ = ::IsWindow(parent) ? parent : nullptr;
    thread_ = ::GetCurrentThreadId();
    pendingNotice_ = MSG_NULL;
    if (ui->ShowUI != 0) {
        dialog_ = ScanDialog::Show(parent_, capabilities_.settings,
                                   {[this](const ScanSettings& chosen) { OnScan(chosen); }, [this] { OnCancel(); }});
        if (!dialog_) return Fail(TWCC_LOWMEMORY);
        // A modal user interface keeps the application's window from taking input meanwhile.
        if (ui->ModalUI != 0 && parent_) {
            ::EnableWindow(parent_, FALSE);
            parentDisabled_ = true;
        }
    } else {
        PostNotice(MSG_XFERREADY);
    }
    state_ = State::Enabled;
    return TWRC_SUCCESS;
}

TW_UINT16 Source::DisableDS() {
    CloseUserInterface();
    state_ = State::Open;
    return TWRC_SUCCESS;
}

void Source::CloseUserInterface() {
    // The owner is enabled again before its owned dialog goes, so activation returns to it.
    if (parentDisabled_ && parent_) ::EnableWindow(parent_, TRUE);
    parentDisabled_ = false;
    dialog_.reset();
    DropNotices();
    parent_ = nullptr;
}

// Our own message carries the notice; everything else is the application's, except the
// keyboard and mouse messages of our dialog, which IsDialogMessage handles.
TW_UINT16 Source::ProcessEvent(TW_EVENT* event, std::string& detail) {
    if (!event || !event->pEvent) return Fail(TWCC_BADVALUE);
    MSG* message = FromTwain<MSG*>(event->pEvent);
    event->TWMessage = MSG_NULL;
    if (message->message == noticeMessage_) {
        event->TWMessage = std::exchange(pendingNotice_, MSG_NULL);
        // The application learns of the image now, so the source is ready to transfer (6).
        if (event->TWMessage == MSG_XFERREADY) state_ = State::TransferReady;
        detail = MessageName(event->TWMessage);
        return TWRC_DSEVENT;
    }
    if (dialog_ && ::IsDialogMessageW(dialog_->window(), message)) return TWRC_DSEVENT;
    return TWRC_NOTDSEVENT;
}

TW_UINT16 Source::GetImageInfo(TW_IMAGEINFO* info) {
    if (!info) return Fail(TWCC_BADVALUE);
    const ScanSettings& settings = capabilities_.settings;
    *info = TW_IMAGEINFO{};
    info->XResolution = TW_FIX32{static_cast<std::int16_t>(kDotsPerInch), 0};
    info->YResolution = info->XResolution;
    info->ImageWidth = settings.width;
    info->ImageLength = settings.height;
    const bool colour = settings.mode == ColourMode::Colour;
    const auto bits = static_cast<std::int16_t>(BitsPerPixel(settings.mode));
    info->SamplesPerPixel = colour ? 3 : 1;
    for (int sample = 0; sample < info->SamplesPerPixel; ++sample) info->BitsPerSample[sample] = colour ? 8 : bits;
    info->BitsPerPixel = bits;
    info->Planar = 0;
    info->PixelType = static_cast<std::int16_t>(CurrentValue(ICAP_PIXELTYPE, capabilities_)->item);
    info->Compression = TWCP_NONE;
    return TWRC_SUCCESS;
}

// The image leaves as a packed DIB in a GHND block that the application owns from here on.
TW_UINT16 Source::NativeXfer(TW_UINT32* handle, std::string& detail) {
    if (!handle) return Fail(TWCC_BADVALUE);
    *handle = 0;
    if (CancelRequested()) {
        // A cancelled transfer still leaves the source in state 7, waiting for MSG_ENDXFER.
        state_ = State::Transferring;
        return TWRC_CANCEL;
    }
    std::unique_ptr<ProgressWindow> progress;
    if (capabilities_.indicators) progress = ProgressWindow::Show(dialog_ ? dialog_->window() : parent_);
    UniqueGlobal dib = MakeChartDib(capabilities_.settings, [&](int percent) {
        if (progress) progress->SetPercent(percent);
    });
    progress.reset();
    if (!dib) return Fail(TWCC_LOWMEMORY);
    detail = ChartLabel(capabilities_.settings);
    *handle = ToTwain(dib.release());
    state_ = State::Transferring;
    return TWRC_XFERDONE;
}

// A flatbed holds one page, so ending the transfer and discarding the rest come to the same: no
// transfer is left, back to state 5, where the source stays enabled (and its dialog usable for
// another scan) until MSG_DISABLEDS.
TW_UINT16 Source::ClearPendingTransfers(TW_PENDINGXFERS* pending) {
    if (!pending) return Fail(TWCC_BADVALUE);
    pending->Count = 0;
    state_ = State::Enabled;
    if (dialog_) dialog_->SetBusy(false);
    return TWRC_SUCCESS;
}

// One notice at a time: a second press before the application has taken the first is ignored.
// Without a parent the notice goes to our own dialog if there is one (a window message survives
// modal loops that drop thread messages), else to the thread that enabled the source.
void Source::PostNotice(TW_UINT16 notice) {
    if (pendingNotice_ != MSG_NULL) return;
    pendingNotice_ = notice;
    HWND target = parent_ ? parent_ : (dialog_ ? dialog_->window() : nullptr);
    if (target && ::PostMessageW(target, noticeMessage_, 0, 0)) return;
    ::PostThreadMessageW(thread_, noticeMessage_, 0, 0);
}

// Notices not yet taken die with the session, so none reaches an application that disabled us.
void Source::DropNotices() {
    pendingNotice_ = MSG_NULL;
    if (thread_ != ::GetCurrentThreadId()) return;
    MSG message;
    while (::PeekMessageW(&message, nullptr, noticeMessage_, noticeMessage_, PM_REMOVE)) {
    }
}

void Source::OnScan(const ScanSettings& chosen) {
    if (state_ != State::Enabled || pendingNotice_ != MSG_NULL) return;
    capabilities_.settings = chosen;
    if (dialog_) dialog_->SetBusy(true);
    PostNotice(MSG_XFERREADY);
}

void Source::OnCancel() {
    if (state_ != State::Enabled) return;
    PostNotice(MSG_CLOSEDSREQ);
}

}  // namespace vantrel::scanner
