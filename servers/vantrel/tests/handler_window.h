// A window of the test's own: Acquire's loop dispatches the client's messages to it, so it records
// them (WM_CHAR and from WM_USER on, with their wParam) and runs the test's handler on the latter.
#pragma once

#include "win32/win32_owners.h"

#include <windows.h>

#include <functional>
#include <utility>
#include <vector>

namespace vantrel::tests {

class HandlerWindow {
public:
    explicit HandlerWindow(std::function<void()> handler = {}) : handler_(std::move(handler)) {
        WNDCLASSW wc{0, &Proc, 0, 0, ::GetModuleHandleW(nullptr), nullptr, nullptr, nullptr, nullptr, L"VantrelHandlerWindow"};
        ::RegisterClassW(&wc);
        window_.reset(::CreateWindowW(wc.lpszClassName, L"", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr, wc.hInstance, nullptr));
        ::SetWindowLongPtrW(window_.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }

    void Post(UINT message, WPARAM wParam = 0) const { ::PostMessageW(window_.get(), message, wParam, 0); }
    HWND get() const { return window_.get(); }

    std::vector<std::pair<UINT, WPARAM>> received;

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<HandlerWindow*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        if (!self || (message != WM_CHAR && message < WM_USER)) return ::DefWindowProcW(hwnd, message, wParam, lParam);
        self->received.emplace_back(message, wParam);
        if (self->handler_ && message != WM_CHAR) self->handler_();
        return 0;
    }

    std::function<void()> handler_;
    UniqueWindow window_;
};

}  // namespace vantrel::tests
