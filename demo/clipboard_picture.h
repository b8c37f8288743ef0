// The clipboard's current picture, read without changing the clipboard.
#pragma once

#include "gdi_owners.h"

#include <windows.h>

#include <cstddef>
#include <optional>

namespace demo {

// Where the pixels of a packed DIB start: after the header, the bit-field masks and the colour
// table. Empty when the header cannot describe a DIB.
std::optional<std::size_t> DibBitsOffset(const BITMAPINFOHEADER& header, std::size_t headerBytes);

// The bytes of pixels the header describes (biSizeImage when given, rows otherwise).
std::optional<std::size_t> DibImageBytes(const BITMAPINFOHEADER& header);

// A copy of the clipboard's CF_DIB, or else CF_BITMAP, as a bitmap of our own; empty when the
// clipboard holds no picture or cannot be opened.
UniqueBitmap ReadClipboardPicture(HWND owner);

}  // namespace demo
