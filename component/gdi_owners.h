// Owners for the GDI objects the window makes, in the style of the component's Win32 owners.
#pragma once

#include "win32_owners.h"

#include <windows.h>

namespace demo {


struct BitmapTraits {
    using Handle = HBITMAP;
    static Handle none() noexcept { return nullptr; }
    static void close(Handle h) noexcept { ::DeleteObject(h); }
};
using UniqueBitmap = vantrel::UniqueHandle<BitmapTraits>;

struct FontTraits {
    using Handle = HFONT;
    static Handle none() noexcept { return nullptr; }
    static void close(Handle h) noexcept { ::DeleteObject(h); }
};
using UniqueFont = vantrel::UniqueHandle<FontTraits>;

struct MemoryDcTraits {
    using Handle = HDC;
    static Handle none() noexcept { return nullptr; }
    static void close(Handle h) noexcept { ::DeleteDC(h); }
};
using UniqueMemoryDc = vantrel::UniqueHandle<MemoryDcTraits>;

// A DC from GetDC, given back to its window.
class WindowDc {
public:
    explicit WindowDc(HWND window) noexcept : window_(window), dc_(::GetDC(window)) {}
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    ~WindowDc() {
        if (dc_) ::ReleaseDC(window_, dc_);
    }
    HDC get() const noexcept { return dc_; }
    explicit operator bool() const noexcept { return dc_ != nullptr; }

private:
    HWND window_;
    HDC dc_;
};

// An object selected into a DC for the owner's lifetime; the previous one comes back after.
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

}  // namespace demo
