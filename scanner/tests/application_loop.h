// The application's side of a scan for the scanner's tests: its hidden window and its message loop.
#pragma once

#include "scanner/twain_source_records.h"
#include "win32/win32_owners.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <functional>

namespace scanner_tests {

// The application's window: never shown, as in a program that acquires in the background.
class HiddenWindow {
public:
    HiddenWindow() {
        WNDCLASSW description{};
        description.lpfnWndProc = ::DefWindowProcW;
        description.hInstance = ::GetModuleHandleW(nullptr);
        description.lpszClassName = L"ScannerTestApplication";
        ::RegisterClassW(&description);
        window_.reset(::CreateWindowExW(0, description.lpszClassName, L"Application", WS_OVERLAPPEDWINDOW, 0, 0, 300, 200,
                                        nullptr, nullptr, description.hInstance, nullptr));
    }
    HWND get() const { return window_.get(); }

private:
    vantrel::UniqueWindow window_;
};

// The application's message loop: every message goes to MSG_PROCESSEVENT (`processEvent`)
// first, and only those the source does not claim are dispatched. Returns the first notice
// (MSG_NULL if none came within `milliseconds`) and the message that carried it.
inline vantrel::twain::TW_UINT16 PumpUntilNotice(DWORD milliseconds,
                                                 const std::function<vantrel::twain::TW_UINT16(vantrel::twain::TW_EVENT&)>& processEvent,
                                                 MSG* carrier = nullptr) {
    using namespace vantrel::twain;
    const DWORD start = ::GetTickCount();
    MSG message;
    while (::GetTickCount() - start < milliseconds) {
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TW_EVENT event{reinterpret_cast<UINT_PTR>(&message), 0xFFFF};
            const TW_UINT16 rc = processEvent(event);
            if (rc == TWRC_DSEVENT) {
                if (event.TWMessage == MSG_NULL) continue;
                if (carrier) *carrier = message;
                return event.TWMessage;
            }
            EXPECT_EQ(rc, TWRC_NOTDSEVENT);
            EXPECT_EQ(event.TWMessage, MSG_NULL);
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
    return MSG_NULL;
}

}  // namespace scanner_tests
