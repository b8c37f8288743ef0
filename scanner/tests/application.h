// The application's side of a scan for the scanner's tests: its window, its message loop and the
// calls it makes, whichever way they reach the source (DS_Entry itself, or Wine's DSM).
#pragma once

#include "scanner/twain_source_records.h"
#include "win32/win32_owners.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <utility>

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

// The calls an application makes, each checked as far as every caller needs; `Call` says how they
// reach the source. The application's window is never shown, as in a program scanning in the background.
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
        if (const vantrel::GlobalLock<TW_ONEVALUE> value(block.get()); value) *value.get() = {itemType, item};
        TW_CAPABILITY capability{cap, TWON_ONEVALUE, ToTwain(block.get())};
        const TW_UINT16 rc = Call(DG_CONTROL, DAT_CAPABILITY, MSG_SET, &capability);
        EXPECT_EQ(capability.hContainer, ToTwain(block.get())) << "the container stays the application's";
        return rc;
    }

    // A capability message's container type and first TW_ONEVALUE item, the block freed as the application must.
    struct Answer {
        TW_UINT16 rc, conType;
        TW_UINT32 item;
    };
    Answer Ask(TW_UINT16 msg, TW_UINT16 cap) {
        TW_CAPABILITY capability{cap, 0, 0};
        Answer answer{Call(DG_CONTROL, DAT_CAPABILITY, msg, &capability), capability.ConType, 0};
        if (answer.rc != TWRC_SUCCESS || !capability.hContainer) return answer;
        const vantrel::UniqueGlobal block(FromTwain<HGLOBAL>(capability.hContainer));
        TW_ONEVALUE value{};
        if (const vantrel::GlobalLock<const TW_ONEVALUE> locked(block.get()); locked) std::memcpy(&value, locked.get(), sizeof value);
        answer.item = value.Item;
        return answer;
    }

    TW_UINT16 Enable(HWND parent, TW_BOOL showUI = FALSE) {
        TW_USERINTERFACE ui{showUI, showUI, ToTwain(parent)};
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
                if (rc == TWRC_DSEVENT && event.TWMessage != MSG_NULL) {
                    if (carrier) *carrier = message;
                    return event.TWMessage;
                }
                if (rc == TWRC_DSEVENT) continue;
                EXPECT_EQ(std::pair(rc, event.TWMessage), std::pair(TWRC_NOTDSEVENT, MSG_NULL));
                ::DispatchMessageW(&message);
            }
            ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        }
        return MSG_NULL;
    }

    vantrel::UniqueWindow window_{::CreateWindowExW(0, L"STATIC", L"Application", WS_OVERLAPPEDWINDOW, 0, 0, 300, 200,
                                                    nullptr, nullptr, nullptr, nullptr)};
};

}  // namespace scanner_tests
