// The data source's session: identity, status, enabling, events and notices, the end of each transfer.
#include "scanner/source.h"

#include "scanner/environment.h"
#include "scanner/log_line.h"
#include "scanner/source_identity.h"

#include <cstdlib>
#include <cstring>
#include <utility>

namespace vantrel::scanner {

using namespace twain;

namespace {

ScanSettings SettingsFromEnvironment() {
    return SettingsFrom(EnvironmentText(L"VANTREL_SCANNER_MODE"), EnvironmentText(L"VANTREL_SCANNER_SIZE"));
}

void CALLBACK NoticeTimerProc(HWND, UINT, UINT_PTR, DWORD) { TheSource().OnNoticeTimer(); }

const char* ConditionText(TW_UINT16 cc) {
    switch (cc) {
        case TWCC_SUCCESS: return "No error";
        case TWCC_BUMMER: return "Internal error in the scanner";
        case TWCC_LOWMEMORY: return "Not enough memory for this image";
        case TWCC_BADCAP:
        case TWCC_CAPUNSUPPORTED: return "Capability not supported";
        case TWCC_CAPBADOPERATION: return "Operation not supported on this capability";
        case TWCC_CAPSEQERROR: return "Capability depends on another one";
        case TWCC_BADPROTOCOL: return "Request not supported";
        case TWCC_BADVALUE: return "Value not accepted";
        case TWCC_SEQERROR: return "Request not allowed in this state";
        case TWCC_PAPERJAM: return "Paper jam in the feeder";
        case TWCC_PAPERDOUBLEFEED: return "Double feed in the feeder";
        case TWCC_NOMEDIA: return "No paper in the feeder";
        case TWCC_FILEWRITEERROR: return "The image file could not be written";
        default: return "Unknown condition";
    }
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
    if (triplet.dat == DAT_STATUSUTF8) return GetStatusText(static_cast<TW_STATUSUTF8*>(data));
    condition_ = TWCC_SUCCESS;
    return Dispatch(origin, triplet, data, detail);
}

TW_UINT16 Source::Dispatch(TW_IDENTITY* origin, const Triplet& triplet, void* data, std::string& detail) {
    switch (triplet.dat) {
        case DAT_IDENTITY:
            if (triplet.msg == MSG_GET) return GetIdentity(static_cast<TW_IDENTITY*>(data));
            if (triplet.msg == MSG_OPENDS) return OpenDS(origin, static_cast<TW_IDENTITY*>(data));
            return CloseDS();  // its data is not ours to read: Wine passes whatever came with MSG_CLOSEDSM
        case DAT_ENTRYPOINT: return SetEntryPoint(static_cast<const TW_ENTRYPOINT*>(data));
        case DAT_CAPABILITY: return Capability(triplet.msg, static_cast<TW_CAPABILITY*>(data), detail);
        case DAT_IMAGELAYOUT: return ImageLayout(triplet.msg, static_cast<TW_IMAGELAYOUT*>(data));
        case DAT_USERINTERFACE:
            if (triplet.msg == MSG_ENABLEDS) return EnableDS(static_cast<TW_USERINTERFACE*>(data));
            return DisableDS();
        case DAT_EVENT: return ProcessEvent(static_cast<TW_EVENT*>(data), detail);
        case DAT_PENDINGXFERS: {
            auto* pending = static_cast<TW_PENDINGXFERS*>(data);
            if (triplet.msg == MSG_ENDXFER) return EndTransfer(pending);
            if (triplet.msg == MSG_RESET) return ResetTransfers(pending);
            if (!pending) return Fail(TWCC_BADVALUE);
            pending->Count = static_cast<TW_UINT16>(state_ >= State::TransferReady ? paper_.pending() : 0);
            return TWRC_SUCCESS;
        }
        case DAT_IMAGEINFO: return GetImageInfo(static_cast<TW_IMAGEINFO*>(data));
        case DAT_IMAGENATIVEXFER: return NativeXfer(static_cast<TW_HANDLE*>(data), detail);
        case DAT_SETUPMEMXFER: return SetupMemXfer(static_cast<TW_SETUPMEMXFER*>(data));
        case DAT_IMAGEMEMXFER: return MemoryXfer(static_cast<TW_IMAGEMEMXFER*>(data), detail);
        case DAT_SETUPFILEXFER: return SetupFileXfer(triplet.msg, static_cast<TW_SETUPFILEXFER*>(data));
        case DAT_IMAGEFILEXFER: return FileXfer(detail);
        case DAT_ICCPROFILE: return GetIccProfile(static_cast<TW_MEMORY*>(data));
        default: return Fail(TWCC_BADPROTOCOL);
    }
}

TW_UINT16 Source::GetIdentity(TW_IDENTITY* identity) {
    if (!identity) return Fail(TWCC_BADVALUE);
    DescribeSource(*identity);
    return TWRC_SUCCESS;
}

// The DSM has numbered the source in identity->Id; the rest is filled in for the application.
// Settings, the feeder's sheets, the faults and the quirks start afresh from the environment for every session.
TW_UINT16 Source::OpenDS(const TW_IDENTITY* origin, TW_IDENTITY* identity) {
    if (!identity) return Fail(TWCC_BADVALUE);
    application_ = origin ? *origin : TW_IDENTITY{};
    DescribeSource(*identity);
    self_ = *identity;
    capabilities_ = StateFrom(SettingsFromEnvironment());
    // Not a number (or unset) reads as 0: colour has every resolution.
    capabilities_.colourMaxDpi = std::atoi(EnvironmentText(L"VANTREL_SCANNER_COLOUR_MAX_DPI").c_str());
    faults_ = ParseFaults(EnvironmentText(L"VANTREL_SCANNER_FAULT"));
    quirks_ = ParseQuirks(EnvironmentText(L"VANTREL_SCANNER_QUIRKS"));
    document_ = ParseDocumentSettings({EnvironmentText(L"VANTREL_SCANNER_CONTENT"), EnvironmentText(L"VANTREL_SCANNER_SKEW"),
                                       EnvironmentText(L"VANTREL_SCANNER_BLANK"), EnvironmentText(L"VANTREL_SCANNER_BORDER"),
                                       EnvironmentText(L"VANTREL_SCANNER_SPECKS"), EnvironmentText(L"VANTREL_SCANNER_SHADE"),
                                       EnvironmentText(L"VANTREL_SCANNER_CLEANUP")});
    capabilities_.offered = document_.offers;
    capabilities_.booleansAsEnums = quirks_.booleansAsEnums;
    capabilities_.bitDepthZero = quirks_.bitDepthZero;
    capabilities_.otherUnits = quirks_.unitsPixels;
    capabilities_.iccProfile = EnvironmentText(L"VANTREL_SCANNER_ICC") == "1";
    if (quirks_.unitsPixels) capabilities_.current.units = capabilities_.defaults.units = TWUN_PIXELS;
    const bool high = quirks_.highHandles && sizeof(void*) == 8;
    dsm_.PlaceAbove4GB(high);
    if (high) lowMemory_ = LowMemoryReservation::ReserveAll();
    paper_ = PaperPath(faults_.empty ? 0 : ParseSheets(EnvironmentText(L"VANTREL_SCANNER_SHEETS")));
    std::memset(&file_, 0, sizeof file_);
    std::strcpy(file_.FileName, "TWAIN.BMP");
    file_.Format = TWFF_BMP;
    state_ = State::Open;
    return TWRC_SUCCESS;
}

TW_UINT16 Source::CloseDS() {
    application_ = TW_IDENTITY{};
    dsm_.Forget();
    dsm_.PlaceAbove4GB(false);
    lowMemory_ = {};
    state_ = State::Closed;
    return TWRC_SUCCESS;
}

// A TWAIN 2 DSM gives its entry points before MSG_OPENDS; a 1.x DSM never does.
TW_UINT16 Source::SetEntryPoint(const TW_ENTRYPOINT* entry) {
    if (!entry || !dsm_.Adopt(*entry)) return Fail(TWCC_BADVALUE);
    return TWRC_SUCCESS;
}

TW_UINT16 Source::GetStatus(TW_STATUS* status) {
    if (!status) return Fail(TWCC_BADVALUE);
    status->ConditionCode = std::exchange(condition_, TWCC_SUCCESS);
    status->Reserved = 0;
    return TWRC_SUCCESS;
}

// The text of the condition the application got from DAT_STATUS, in a block it frees.
TW_UINT16 Source::GetStatusText(TW_STATUSUTF8* status) {
    if (!status) return Fail(TWCC_BADVALUE);
    const char* text = ConditionText(status->Status.ConditionCode);
    const std::size_t size = std::strlen(text) + 1;
    DsmBlock block(dsm_, size);
    if (!block) return Fail(TWCC_LOWMEMORY);
    {
        DsmLock locked(dsm_, block.get());
        if (!locked) return Fail(TWCC_LOWMEMORY);
        std::memcpy(locked.get(), text, size);
    }
    status->Size = static_cast<TW_UINT32>(size);
    status->UTF8string = block.release();
    return TWRC_SUCCESS;
}

// With the user interface the user decides when to scan; without it the paper is ready at once.
// An enabled feeder without paper refuses, as a document scanner does (TWCC_NOMEDIA), and the
// source stays open. The notice reaches the application once MSG_ENABLEDS has returned, unless
// the "earlyready" fault sends it from inside. The "silent-ui" quirk enables and then does nothing.
TW_UINT16 Source::EnableDS(const TW_USERINTERFACE* ui) {
    if (!ui) return Fail(TWCC_BADVALUE);
    if (capabilities_.current.feederEnabled && !paper_.loaded()) return Fail(TWCC_NOMEDIA);
    HWND parent = FromTwain<HWND>(ui->hParent);
    parent_ = ::IsWindow(parent) ? parent : nullptr;
    thread_ = ::GetCurrentThreadId();
    pendingNotice_ = MSG_NULL;
    if (quirks_.silentUi) {
        state_ = State::Enabled;  // and nothing more: no dialog, no notice, ever
        return TWRC_SUCCESS;
    }
    if (ui->ShowUI != 0) {
        ScanSettings initial{capabilities_.current.mode, ImageSize(capabilities_.current).width,
                             ImageSize(capabilities_.current).height};
        dialog_ = ScanDialog::Show(parent_, initial,
                                   {[this](const ScanSettings& chosen) { OnScan(chosen); }, [this] { OnCancel(); }});
        if (!dialog_) return Fail(TWCC_LOWMEMORY);
        // A modal user interface keeps the application's window from taking input meanwhile.
        if (ui->ModalUI != 0 && parent_) {
            ::EnableWindow(parent_, FALSE);
            parentDisabled_ = true;
        }
        state_ = State::Enabled;
        return TWRC_SUCCESS;
    }
    state_ = State::Enabled;
    RaiseTransferReady(!faults_.earlyReady);
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

// Our own message carries a TWAIN 1.x notice, and the timer a deferred one; everything else is
// the application's, except the keyboard and mouse messages of our dialog.
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
    if (message->message == WM_TIMER && !message->hwnd && noticeTimer_ && message->wParam == noticeTimer_) {
        OnNoticeTimer();
        return TWRC_DSEVENT;
    }
    if (dialog_ && ::IsDialogMessageW(dialog_->window(), message)) return TWRC_DSEVENT;
    return TWRC_NOTDSEVENT;
}

// After MSG_ENDXFER the next page follows at once (state 6, no new notice) while pages are
// pending; Count tells the application how many. A cancelled or failed page ends the batch.
TW_UINT16 Source::EndTransfer(TW_PENDINGXFERS* pending) {
    if (!pending) return Fail(TWCC_BADVALUE);
    if (cancelled_) paper_.Stop(true);
    // The flatbed that never knows: its glass is ready again until the application resets.
    else if (!(quirks_.countUnknown && !paper_.feeder())) paper_.Advance();  // delivered, or refused in state 6
    SkipDiscarded();
    memory_.reset();
    delivered_ = false;
    cancelled_ = false;
    pending->Count = static_cast<TW_UINT16>(paper_.pending());
    if (quirks_.countUnknown) pending->Count = paper_.pending() > 0 ? static_cast<TW_UINT16>(-1) : 0;
    if (paper_.pending() > 0) {
        state_ = State::TransferReady;
        return TWRC_SUCCESS;
    }
    state_ = State::Enabled;
    if (dialog_) dialog_->SetBusy(false);
    return TWRC_SUCCESS;
}

void Source::SkipDiscarded() {
    while (paper_.pending() > 0 && Discarded(document_, paper_.current(), Doing(capabilities_.current))) paper_.Advance();
}

// The rest of the batch is dropped; sheets not yet fed stay in the feeder.
TW_UINT16 Source::ResetTransfers(TW_PENDINGXFERS* pending) {
    if (!pending) return Fail(TWCC_BADVALUE);
    paper_.Stop(false);
    pending->Count = 0;
    state_ = State::Enabled;
    if (dialog_) dialog_->SetBusy(false);
    return TWRC_SUCCESS;
}

void Source::RaiseTransferReady(bool deferred) {
    const DeviceSettings& settings = capabilities_.current;
    paper_.Begin(settings.feederEnabled, settings.duplexEnabled, settings.xferCount);
    SkipDiscarded();
    delivered_ = false;
    cancelled_ = false;
    if (deferred) NotifyLater(MSG_XFERREADY);
    else Notify(MSG_XFERREADY);
}

void Source::Notify(TW_UINT16 notice) {
    if (const DSMENTRYPROC dsm = dsm_.Entry()) {
        // TWAIN 2: the source is in state 6 from the moment it says so.
        const State before = state_;
        if (notice == MSG_XFERREADY) state_ = State::TransferReady;
        if (dsm(&self_, &application_, DG_CONTROL, DAT_NULL, notice, nullptr) == TWRC_SUCCESS) return;
        state_ = before;
    }
    PostNotice(notice);
}

void Source::NotifyLater(TW_UINT16 notice) {
    if (!dsm_.Entry()) {
        PostNotice(notice);  // a posted message is late already
        return;
    }
    timedNotice_ = notice;
    if (!noticeTimer_) noticeTimer_ = ::SetTimer(nullptr, 0, 0, &NoticeTimerProc);
    if (!noticeTimer_) Notify(std::exchange(timedNotice_, MSG_NULL));  // better early than never
}

void Source::OnNoticeTimer() {
    if (noticeTimer_) ::KillTimer(nullptr, noticeTimer_);
    noticeTimer_ = 0;
    const TW_UINT16 notice = std::exchange(timedNotice_, MSG_NULL);
    if (notice != MSG_NULL && state_ == State::Enabled) Notify(notice);
}

// One notice at a time: a second press before the application has taken the first is ignored.
// Without a parent the notice goes to our own dialog if there is one (a window message survives
// modal loops that drop thread messages), else to the thread that enabled the source. A parent
// in another process never sees MSG_PROCESSEVENT here, so the thread gets the notice then too.
void Source::PostNotice(TW_UINT16 notice) {
    if (pendingNotice_ != MSG_NULL) return;
    pendingNotice_ = notice;
    HWND target = parent_ ? parent_ : (dialog_ ? dialog_->window() : nullptr);
    if (target && ::GetWindowThreadProcessId(target, nullptr) != thread_) target = dialog_ ? dialog_->window() : nullptr;
    if (target && ::PostMessageW(target, noticeMessage_, 0, 0)) return;
    ::PostThreadMessageW(thread_, noticeMessage_, 0, 0);
}

// Notices not yet taken die with the session, so none reaches an application that disabled us.
void Source::DropNotices() {
    pendingNotice_ = MSG_NULL;
    timedNotice_ = MSG_NULL;
    if (noticeTimer_) ::KillTimer(nullptr, noticeTimer_);
    noticeTimer_ = 0;
    if (thread_ != ::GetCurrentThreadId()) return;
    MSG message;
    while (::PeekMessageW(&message, nullptr, noticeMessage_, noticeMessage_, PM_REMOVE)) {
        // Wine hands out WM_QUIT whatever the filter; it is the application's, so it goes back.
        if (message.message == WM_QUIT) {
            ::PostQuitMessage(static_cast<int>(message.wParam));
            return;
        }
    }
}

// The dialog's choices become the settings: the chosen pixels at the current resolution.
void Source::OnScan(const ScanSettings& chosen) {
    if (state_ != State::Enabled || pendingNotice_ != MSG_NULL) return;
    DeviceSettings& settings = capabilities_.current;
    settings.mode = chosen.mode;
    settings.frame = Frame{0, 0, chosen.width / static_cast<double>(settings.xDpi),
                           chosen.height / static_cast<double>(settings.yDpi)};
    settings.paper = TWSS_NONE;
    if (dialog_) dialog_->SetBusy(true);
    RaiseTransferReady(false);
}

void Source::OnCancel() {
    if (state_ != State::Enabled) return;
    Notify(MSG_CLOSEDSREQ);
}

}  // namespace vantrel::scanner
