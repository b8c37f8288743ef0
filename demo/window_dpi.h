// The DPI a window is shown at, and the outer size that gives it a wanted client size there.
#pragma once

#include <windows.h>

namespace demo {

// The window's own DPI where Windows knows one per window (10 1607 and later), the system's otherwise.
int DpiOf(HWND window);

// The window rectangle around a client area of width x height pixels, for the style at that DPI.
RECT OuterRect(int width, int height, DWORD style, DWORD exStyle, int dpi);

}  // namespace demo
