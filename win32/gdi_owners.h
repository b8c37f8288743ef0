// Owners for GDI objects, for the programs that draw (the demo's window, the sample scanner's
// dialogs); the component itself draws nothing.
#pragma once

#include "win32/win32_owners.h"

#include <windows.h>

namespace vantrel {

// Pens, brushes, fonts, bitmaps: all given back with DeleteObject.
using UniqueBitmap = Unique<HBITMAP, ::DeleteObject>;
using UniqueFont = Unique<HFONT, ::DeleteObject>;
using UniqueGdiObject = Unique<HGDIOBJ, ::DeleteObject>;
using UniqueMemoryDc = Unique<HDC, ::DeleteDC>;

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

// One WM_PAINT's drawing: BeginPaint for the owner's lifetime, EndPaint after, when BeginPaint
// gave a DC.
class PaintSession {
public:
    explicit PaintSession(HWND window) noexcept : window_(window), dc_(::BeginPaint(window, &paint_)) {}
    PaintSession(const PaintSession&) = delete;
    PaintSession& operator=(const PaintSession&) = delete;
    ~PaintSession() {
        if (dc_) ::EndPaint(window_, &paint_);
    }

    HDC dc() const noexcept { return dc_; }
    const PAINTSTRUCT& paint() const noexcept { return paint_; }
    explicit operator bool() const noexcept { return dc_ != nullptr; }

private:
    HWND window_;
    PAINTSTRUCT paint_{};
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

}  // namespace vantrel
