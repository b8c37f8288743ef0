// Owners for the Win32 resources the data source takes: each releases exactly what it acquired.
#pragma once

#include "gdi_owners.h"
#include "win32_owners.h"

#include <windows.h>

namespace vantrel::scanner {

struct WindowTraits {
    using Handle = HWND;
    static Handle none() noexcept { return nullptr; }
    static void close(Handle h) noexcept { ::DestroyWindow(h); }
};
using UniqueWindow = UniqueHandle<WindowTraits>;

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

}  // namespace vantrel::scanner
