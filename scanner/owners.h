// Owners for the Win32 resources the data source takes: each releases exactly what it acquired.
#pragma once

#include "win32/gdi_owners.h"
#include "win32/win32_owners.h"

#include <windows.h>

namespace vantrel::scanner {

// A window class registered for the owner's lifetime. Unregistering when the last window of
// the class is gone lets the module be unloaded and loaded again (the DSM does exactly that).
class RegisteredClass {
public:
    explicit RegisteredClass(const WNDCLASSEXW& description) noexcept
        : instance_(description.hInstance), name_(description.lpszClassName) {
        registered_ = ::RegisterClassExW(&description) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    }
    RegisteredClass(const RegisteredClass&) = delete;
    RegisteredClass& operator=(const RegisteredClass&) = delete;
    ~RegisteredClass() {
        if (registered_) ::UnregisterClassW(name_, instance_);
    }
    explicit operator bool() const noexcept { return registered_; }

private:
    HINSTANCE instance_;
    const wchar_t* name_;
    bool registered_ = false;
};

// The module this code lives in (the .ds), for window classes.
HINSTANCE ThisModule() noexcept;

// A window of this module's own class, owned by the object that shows it: the class stays
// registered for the object's lifetime, and the window is the object's from WM_NCCREATE (which
// carries the object as its creation parameter) to WM_NCDESTROY.
class OwnWindow {
protected:
    OwnWindow(WNDPROC procedure, LPCWSTR cursor, const wchar_t* className) noexcept;
    OwnWindow(const OwnWindow&) = delete;
    OwnWindow& operator=(const OwnWindow&) = delete;
    ~OwnWindow() = default;

    // The object a window's message is for; null before WM_NCCREATE.
    template <typename T>
    static T* Route(HWND window, UINT message, LPARAM lParam) noexcept {
        if (message == WM_NCCREATE) {
            T* created = static_cast<T*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
            ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(created));
            static_cast<OwnWindow*>(created)->window_.reset(window);
        }
        T* self = reinterpret_cast<T*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
        if (self && message == WM_NCDESTROY) {
            // Windows destroys it now: the owner must not destroy it again.
            ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
            static_cast<OwnWindow*>(self)->window_.release();
        }
        return self;
    }

    // Declared in this order so the window goes before its class is unregistered.
    RegisteredClass windowClass_;
    UniqueWindow window_;
};

}  // namespace vantrel::scanner
