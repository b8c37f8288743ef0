// The data source: its state, its settings and one function per triplet it serves.
#pragma once

#include "scanner/capabilities.h"
#include "scanner/dsm_link.h"
#include "scanner/document_pages.h"
#include "scanner/fault_modes.h"
#include "win32/low_memory.h"
#include "scanner/page_picture.h"
#include "scanner/paper_path.h"
#include "scanner/progress_window.h"
#include "scanner/scan_dialog.h"
#include "scanner/state_machine.h"

#include <memory>
#include <optional>
#include <string>

namespace vantrel::scanner {

// The page about to be (or being) transferred, as the current settings make it.
struct PagePlan {
    PageSlot slot;
    ColourMode mode;
    PixelSize size;
    int xDpi;
    int yDpi;
    std::string label;  // the chart label, also the log's detail
};

class Source {
public:
    Source();
    Source(const Source&) = delete;
    Source& operator=(const Source&) = delete;
    ~Source();

    // Serves one triplet from the DSM. Every triplet passes the state table first: one sent in
    // the wrong state fails with TWCC_SEQERROR and changes nothing. `detail` receives extra
    // text for the log line (the notice handed out, the image delivered).
    twain::TW_UINT16 Serve(twain::TW_IDENTITY* origin, const Triplet& triplet, void* data, std::string& detail);

    // Records an unexpected failure (an exception at the boundary) as the answer to a triplet.
    twain::TW_UINT16 FailUnexpectedly();

    State state() const noexcept { return state_; }
    twain::TW_UINT16 conditionCode() const noexcept { return condition_; }

    // The thread timer that carries a deferred notice has fired.
    void OnNoticeTimer();

private:
    twain::TW_UINT16 Dispatch(twain::TW_IDENTITY* origin, const Triplet& triplet, void* data, std::string& detail);

    twain::TW_UINT16 GetIdentity(twain::TW_IDENTITY* identity);
    twain::TW_UINT16 OpenDS(const twain::TW_IDENTITY* origin, twain::TW_IDENTITY* identity);
    twain::TW_UINT16 CloseDS();
    twain::TW_UINT16 SetEntryPoint(const twain::TW_ENTRYPOINT* entry);
    twain::TW_UINT16 GetStatus(twain::TW_STATUS* status);
    twain::TW_UINT16 GetStatusText(twain::TW_STATUSUTF8* status);
    // MSG_SET's `detail` names the capability and the value asked ("cap 0x1151=1") for the log.
    twain::TW_UINT16 Capability(twain::TW_UINT16 msg, twain::TW_CAPABILITY* capability, std::string& detail);
    twain::TW_UINT16 ImageLayout(twain::TW_UINT16 msg, twain::TW_IMAGELAYOUT* layout);
    twain::TW_UINT16 EnableDS(const twain::TW_USERINTERFACE* ui);
    twain::TW_UINT16 DisableDS();
    twain::TW_UINT16 ProcessEvent(twain::TW_EVENT* event, std::string& detail);
    twain::TW_UINT16 GetImageInfo(twain::TW_IMAGEINFO* info);
    twain::TW_UINT16 NativeXfer(twain::TW_HANDLE* handle, std::string& detail);
    twain::TW_UINT16 SetupMemXfer(twain::TW_SETUPMEMXFER* setup);
    twain::TW_UINT16 MemoryXfer(twain::TW_IMAGEMEMXFER* strip, std::string& detail);
    twain::TW_UINT16 SetupFileXfer(twain::TW_UINT16 msg, twain::TW_SETUPFILEXFER* setup);
    twain::TW_UINT16 FileXfer(std::string& detail);
    twain::TW_UINT16 GetIccProfile(twain::TW_MEMORY* memory);
    twain::TW_UINT16 CodedFileXfer(const PagePlan& page, std::string& detail);
    twain::TW_UINT16 EndTransfer(twain::TW_PENDINGXFERS* pending);
    // A scanner that discards blank pages itself never delivers them: the paper moves on past them.
    void SkipDiscarded();
    twain::TW_UINT16 ResetTransfers(twain::TW_PENDINGXFERS* pending);

    twain::TW_UINT16 Fail(twain::TW_UINT16 condition) noexcept;

    PagePlan CurrentPage() const;
    PagePicture PictureOf(const PagePlan& page) const;
    // Whether the current page's transfer may start with `mechanism`; fails it as a real
    // scanner would (a fault at this page, the wrong mechanism). TWRC_SUCCESS to go on.
    twain::TW_UINT16 StartTransfer(twain::TW_UINT16 mechanism);
    // The transfer of the current page ended (delivered or cancelled): state 7.
    void FinishTransfer(bool cancelled);

    // Tells the application a notice: through the DSM (DAT_NULL) when there is one, so it
    // arrives whatever window the application named; else the TWAIN 1.x way, our own message
    // posted to its window (or thread) and handed over in MSG_PROCESSEVENT.
    void Notify(twain::TW_UINT16 notice);
    // The same, once the current call has returned: a thread timer fires it from the
    // application's message loop.
    void NotifyLater(twain::TW_UINT16 notice);
    void PostNotice(twain::TW_UINT16 notice);
    void DropNotices();
    void RaiseTransferReady(bool deferred);
    void OnScan(const ScanSettings& chosen);
    void OnCancel();
    void CloseUserInterface();

    State state_ = State::Closed;
    twain::TW_UINT16 condition_ = twain::TWCC_SUCCESS;
    twain::TW_IDENTITY application_{};
    twain::TW_IDENTITY self_{};
    DsmLink dsm_;
    CapabilityState capabilities_;
    Faults faults_;
    Quirks quirks_;
    DocumentSettings document_;
    LowMemoryReservation lowMemory_;  // high-handles: from MSG_OPENDS to MSG_CLOSEDS
    PaperPath paper_;
    const UINT noticeMessage_;
    twain::TW_UINT16 pendingNotice_ = twain::MSG_NULL;
    UINT_PTR noticeTimer_ = 0;
    twain::TW_UINT16 timedNotice_ = twain::MSG_NULL;
    HWND parent_ = nullptr;
    DWORD thread_ = 0;
    bool parentDisabled_ = false;
    std::unique_ptr<ScanDialog> dialog_;
    twain::TW_SETUPFILEXFER file_{};
    // A memory transfer in progress: rows are drawn strip by strip, the whole page is never held.
    struct MemoryTransfer {
        PagePlan plan;
        PagePicture picture;
        int row;
        std::vector<std::uint8_t> coded;  // with compression: the page's whole stream, handed out in pieces
        std::size_t sent = 0;
    };
    // The next piece of a compressed page's stream into the application's buffer.
    twain::TW_UINT16 CodedStrip(twain::TW_IMAGEMEMXFER* strip, std::uint8_t* buffer, std::string& detail);
    std::optional<MemoryTransfer> memory_;
    bool delivered_ = false;  // the current page's transfer has ended (state 7)
    bool cancelled_ = false;  // ... by the user: the batch ends with it
};

// The one source of this module: a DSM talks to a source through a bare entry point, so the
// source's state lives with the module.
Source& TheSource();

}  // namespace vantrel::scanner
