// The clipboard's current picture, read without changing the clipboard.
#pragma once

#include "win32/gdi_owners.h"

#include <windows.h>

namespace demo {

// A copy of the clipboard's CF_DIB, or else CF_BITMAP, as a bitmap of our own; empty when the
// clipboard holds no picture or cannot be opened.
vantrel::UniqueBitmap ReadClipboardPicture(HWND owner);

}  // namespace demo
