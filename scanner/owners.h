// Owners for the Win32 resources the data source takes: each releases exactly what it acquired.
#pragma once

#include "win32_owners.h"

#include <windows.h>

#include <utility>

namespace vantrel::scanner {

// The component's owner template serves here too; the scanner shares no other code with it.
template <typename Traits>
using Owned = vantrel::UniqueHandle<Traits>;
using OwnedGlobal = vantrel::UniqueGlobal;
using OwnedFile = vantrel::UniqueFile;

struct MemoryDcTraits {
    using Handle = HDC;
    static Handle none() noexcept { return nullptr; }
    static void close(Handle h) noexcept { ::DeleteDC(h); }
};
using OwnedMemoryDc = Owned<MemoryDcTraits>;

struct GdiObjectTraits {
    using Handle = HGDIOBJ;
    static Handle none() noexcept { return nullptr; }
    static void close(Handle h) noexcept { ::DeleteObject(h); }
};
using OwnedGdiObject = Owned<GdiObjectTraits>;

struct WindowTraits {
    using Handle = HWND;
    static Handle none() noexcept { return nullptr; }
    static void close(Handle h) noexcept { ::DestroyWindow(h); }
};
using OwnedWindow = Owned<WindowTraits>;

template <typename T = void>
using GlobalLocked = vantrel::GlobalLock<T>;

// An object selected into a device context, put back on destruction so the object can be deleted.
class Selection {
public:
    Selection(HDC dc, HGDIOBJ object) noexcept : dc_(dc), previous_(::SelectObject(dc, object)) {}
    Selection(const Selection&) = delete;
    Selection& operator=(const Selection&) = delete;
    ~Selection() {
        if (previous_ && previous_ != HGDI_ERROR) ::SelectObject(dc_, previous_);
    }

private:
    HDC dc_;
    HGDIOBJ previous_;
};

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
