// The window class, the work queue and the pumping wait.
#include "servers/vantrel_service/twain_window.h"

namespace vantrel::service {

namespace {

constexpr UINT kWorkPosted = WM_APP + 1;
constexpr UINT_PTR kTickTimer = 1;
constexpr wchar_t kClassName[] = L"VantrelServiceWindow";

}  // namespace

TwainWindow::TwainWindow() {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = &TwainWindow::Procedure;
    windowClass.hInstance = ::GetModuleHandleW(nullptr);
    windowClass.lpszClassName = kClassName;
    ::RegisterClassW(&windowClass);
    // A hidden top-level window, not a message-only one: sources post to and parent on it.
    window_.reset(::CreateWindowExW(0, kClassName, L"Vantrel scan service", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                    windowClass.hInstance, this));
    if (window_) ::SetTimer(window_.get(), kTickTimer, 1000, nullptr);
}

void TwainWindow::Post(std::function<void()> work) {
    {
        std::lock_guard lock(mutex_);
        work_.push_back(std::move(work));
    }
    ::PostMessageW(window_.get(), kWorkPosted, 0, 0);
}

void TwainWindow::RunPosted() {
    for (;;) {
        std::function<void()> work;
        {
            std::lock_guard lock(mutex_);
            if (work_.empty()) return;
            work = std::move(work_.front());
            work_.pop_front();
        }
        work();
    }
}

bool TwainWindow::WaitPumping(HANDLE event) {
    for (;;) {
        const DWORD woke = ::MsgWaitForMultipleObjects(1, &event, FALSE, INFINITE, QS_ALLINPUT);
        if (woke == WAIT_OBJECT_0) return true;
        MSG message{};
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                ::PostQuitMessage(static_cast<int>(message.wParam));
                return false;
            }
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
        if (woke == WAIT_FAILED) return false;
    }
}

LRESULT CALLBACK TwainWindow::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<TwainWindow*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self && message == kWorkPosted) {
        self->RunPosted();
        return 0;
    }
    if (self && message == WM_TIMER && wParam == kTickTimer) {
        if (self->tick_) self->tick_();
        return 0;
    }
    // WM_CLOSE and the end of the session end the loop; the window itself goes with its owner.
    if (message == WM_CLOSE || (message == WM_ENDSESSION && wParam)) {
        ::PostQuitMessage(0);
        return 0;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace vantrel::service
