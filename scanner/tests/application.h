// The application's side of a scan for the scanner's tests: its hidden window, its message loop and
// the calls it makes, whichever way they reach the source (DS_Entry itself, or Wine's DSM).
#pragma once

#include "scanner/twain_source_records.h"
#include "win32/win32_owners.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace scanner_tests {

using namespace vantrel::twain;

template <typename T>
TW_HANDLE ToTwain(T* pointer) {
    return reinterpret_cast<UINT_PTR>(pointer);
}

template <typename T>
T FromTwain(TW_HANDLE value) {
    return reinterpret_cast<T>(static_cast<UINT_PTR>(value));
}

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

// The calls an application makes, each checked as far as every caller needs; `Call` says how they
// reach the source.
class Application : public ::testing::Test {
protected:
    virtual TW_UINT16 Call(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, void* data) = 0;

    // The condition code DAT_STATUS reports for the call before it.
    TW_UINT16 Status() {
        TW_STATUS status{0xFFFF, 0};
        EXPECT_EQ(Call(DG_CONTROL, DAT_STATUS, MSG_GET, &status), TWRC_SUCCESS);
        return status.ConditionCode;
    }

    // MSG_SET with a TW_ONEVALUE in a block the application owns before and after.
    TW_UINT16 SetOne(TW_UINT16 cap, TW_UINT16 itemType, TW_UINT32 item) {
        const vantrel::UniqueGlobal block(::GlobalAlloc(GHND, sizeof(TW_ONEVALUE)));
        if (const vantrel::GlobalLock<TW_ONEVALUE> value(block.get()); value) {
            value->ItemType = itemType;
            value->Item = item;
        }
        TW_CAPABILITY capability{cap, TWON_ONEVALUE, ToTwain(block.get())};
        const TW_UINT16 rc = Call(DG_CONTROL, DAT_CAPABILITY, MSG_SET, &capability);
        EXPECT_EQ(capability.hContainer, ToTwain(block.get())) << "the container stays the application's";
        return rc;
    }

    // A capability message's container, copied out and freed as the application must.
    struct Answer {
        TW_UINT16 rc;
        TW_UINT16 conType;
        std::vector<std::uint8_t> bytes;
        TW_UINT32 OneItem() const {
            TW_ONEVALUE value{};
            if (bytes.size() >= sizeof value) std::memcpy(&value, bytes.data(), sizeof value);
            return value.Item;
        }
    };
    Answer Ask(TW_UINT16 msg, TW_UINT16 cap) {
        TW_CAPABILITY capability{cap, 0, 0};
        Answer answer{Call(DG_CONTROL, DAT_CAPABILITY, msg, &capability), capability.ConType, {}};
        if (answer.rc != TWRC_SUCCESS || !capability.hContainer) return answer;
        vantrel::UniqueGlobal block(FromTwain<HGLOBAL>(capability.hContainer));
        const vantrel::GlobalLock<const std::uint8_t> bytes(block.get());
        answer.bytes.assign(bytes.get(), bytes.get() + ::GlobalSize(block.get()));
        return answer;
    }

    TW_UINT16 Enable(HWND parent, bool showUI = false, bool modal = false) {
        TW_USERINTERFACE ui{static_cast<TW_BOOL>(showUI ? 1 : 0), static_cast<TW_BOOL>(modal ? 1 : 0), ToTwain(parent)};
        return Call(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui);
    }

    TW_UINT16 Disable() {
        TW_USERINTERFACE ui{};
        return Call(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui);
    }

    // MSG_ENDXFER, answering how many transfers are still pending.
    int EndXfer() {
        TW_PENDINGXFERS pending{0xFFFF, 0};
        EXPECT_EQ(Call(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending), TWRC_SUCCESS);
        return pending.Count;
    }

    // The application's loop: every message goes to MSG_PROCESSEVENT first, and only those the
    // source does not claim are dispatched. Returns the first notice (MSG_NULL if none came within
    // `milliseconds`) and the message that carried it.
    TW_UINT16 PumpUntilNotice(DWORD milliseconds, MSG* carrier = nullptr) {
        const DWORD start = ::GetTickCount();
        MSG message;
        while (::GetTickCount() - start < milliseconds) {
            while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
                TW_EVENT event{ToTwain(&message), 0xFFFF};
                const TW_UINT16 rc = Call(DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &event);
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
};

}  // namespace scanner_tests
