// The hidden window on the main thread that owns every TWAIN call: other threads hand it work,
// which it runs in its window procedure, also while a batch pumps the thread's messages.
#pragma once

#include "win32/win32_owners.h"

#include <windows.h>

#include <deque>
#include <functional>
#include <mutex>

namespace vantrel::service {

class TwainWindow {
public:
    TwainWindow();
    TwainWindow(const TwainWindow&) = delete;
    TwainWindow& operator=(const TwainWindow&) = delete;

    HWND hwnd() const { return window_.get(); }
    bool created() const { return static_cast<bool>(window_); }
    // From any thread: `work` runs on the window's thread, in the order posted.
    void Post(std::function<void()> work);
    // Every second on the window's thread (the idle check).
    void OnTick(std::function<void()> tick) { tick_ = std::move(tick); }
    // From any thread (a console handler): the message loop ends.
    void Close() { ::PostMessageW(window_.get(), WM_CLOSE, 0, 0); }

    // Waits on the window's thread for `event` while its messages are dispatched, so posted work
    // (a cancel) still runs. False when WM_QUIT arrived; it is posted again for the main loop.
    bool WaitPumping(HANDLE event);

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void RunPosted();

    UniqueWindow window_;
    std::mutex mutex_;
    std::deque<std::function<void()>> work_;
    std::function<void()> tick_;
};

}  // namespace vantrel::service
