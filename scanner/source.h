// The data source: its state, its settings and one function per triplet it serves.
#pragma once

#include "capabilities.h"
#include "progress_window.h"
#include "scan_dialog.h"
#include "state_machine.h"

#include <memory>
#include <string>

namespace vantrel::scanner {

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

private:
    twain::TW_UINT16 Dispatch(twain::TW_IDENTITY* origin, const Triplet& triplet, void* data, std::string& detail);

    twain::TW_UINT16 GetIdentity(twain::TW_IDENTITY* identity);
    twain::TW_UINT16 OpenDS(const twain::TW_IDENTITY* origin, twain::TW_IDENTITY* identity);
    twain::TW_UINT16 CloseDS();
    twain::TW_UINT16 GetStatus(twain::TW_STATUS* status);
    twain::TW_UINT16 GetCapability(twain::TW_CAPABILITY* capability);
    twain::TW_UINT16 SetCapability(twain::TW_CAPABILITY* capability);
    twain::TW_UINT16 EnableDS(const twain::TW_USERINTERFACE* ui);
    twain::TW_UINT16 DisableDS();
    twain::TW_UINT16 ProcessEvent(twain::TW_EVENT* event, std::string& detail);
    twain::TW_UINT16 GetImageInfo(twain::TW_IMAGEINFO* info);
    twain::TW_UINT16 NativeXfer(twain::TW_UINT32* handle, std::string& detail);
    twain::TW_UINT16 ClearPendingTransfers(twain::TW_PENDINGXFERS* pending);

    twain::TW_UINT16 Fail(twain::TW_UINT16 condition) noexcept;

    // The TWAIN 1.x way to reach the application outside a call: post our own message to its
    // window (or its thread) and hand the notice over when MSG_PROCESSEVENT sees that message.
    void PostNotice(twain::TW_UINT16 notice);
    void DropNotices();
    void OnScan(const ScanSettings& chosen);
    void OnCancel();
    void CloseUserInterface();

    State state_ = State::Closed;
    twain::TW_UINT16 condition_ = twain::TWCC_SUCCESS;
    twain::TW_IDENTITY application_{};
    CapabilityState capabilities_;
    const UINT noticeMessage_;
    twain::TW_UINT16 pendingNotice_ = twain::MSG_NULL;
    HWND parent_ = nullptr;
    DWORD thread_ = 0;
    bool parentDisabled_ = false;
    std::unique_ptr<ScanDialog> dialog_;
};

// The one source of this module: a DSM talks to a source through a bare entry point, so the
// source's state lives with the module.
Source& TheSource();

}  // namespace vantrel::scanner
