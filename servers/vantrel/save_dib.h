// Delivery of an acquired DIB: into a BMP file, or onto the clipboard when no file is named.
#pragma once

#include <windows.h>

#include <string>

namespace vantrel {

enum class Delivery { Failed, File, Clipboard };

// Writes the DIB in `image` as a BMP file under `file`, or hands the block to the clipboard as
// CF_DIB when `file` is empty. After Delivery::Clipboard the block belongs to the clipboard;
// otherwise it stays the caller's. Never frees the block.
Delivery SaveDIB(HGLOBAL image, const std::wstring& file);

}  // namespace vantrel
