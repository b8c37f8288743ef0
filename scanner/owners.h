// Owners for the Win32 resources the data source takes: each releases exactly what it acquired.
#pragma once

#include <windows.h>

#include <utility>

namespace vantrel::scanner {

// A move-only owner of one raw handle; Traits says what "none" is and how to give it back.
template <typename Traits>
class Owned {
public:
    using Handle = typename Traits::Handle;

    Owned() = default;
    explicit Owned(Handle handle) noexcept : handle_(handle) {}
    Owned(Owned&& other) noexcept : handle_(other.release()) {}
    Owned& operator=(Owned&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    Owned(const Owned&) = delete;
    Owned& operator=(const Owned&) = delete;
    ~Owned() { reset(); }

    Handle get() const noexcept { return handle_; }
    explicit operator bool() const noexcept { return handle_ != Traits::none(); }

    // Hands the handle to a new owner (the application takes the image block); this one forgets it.
    Handle release() noexcept { return std::exchange(handle_, Traits::none()); }

    void reset(Handle handle = Traits::none()) noexcept {
        Handle old = std::exchange(handle_, handle);
        if (old != Traits::none()) Traits::close(old);
    }

private:
    Handle handle_ = Traits::none();
};

struct GlobalTraits {
    using Handle = HGLOBAL;
    static Handle none() noexcept { return nullptr; }
    static void close(Handle h) noexcept { ::GlobalFree(h); }
};
using OwnedGlobal = Owned<GlobalTraits>;

struct FileTraits {
    using Handle = HANDLE;
    static Handle none() noexcept { return INVALID_HANDLE_VALUE; }
    static void close(Handle h) noexcept { ::CloseHandle(h); }
};
using OwnedFile = Owned<FileTraits>;

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

// A lock on a global memory block, held for the owner's lifetime.
template <typename T = void>
class GlobalLocked {
public:
    explicit GlobalLocked(HGLOBAL block) noexcept
        : block_(block), data_(static_cast<T*>(block ? ::GlobalLock(block) : nullptr)) {}
    GlobalLocked(const GlobalLocked&) = delete;
    GlobalLocked& operator=(const GlobalLocked&) = delete;
    ~GlobalLocked() {
        if (data_) ::GlobalUnlock(block_);
    }

    T* get() const noexcept { return data_; }
    T* operator->() const noexcept { return data_; }
    explicit operator bool() const noexcept { return data_ != nullptr; }

private:
    HGLOBAL block_;
    T* data_;
};

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
