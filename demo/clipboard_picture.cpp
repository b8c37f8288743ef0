// The clipboard's current picture, read without changing the clipboard.
#include "demo/clipboard_picture.h"

#include "imaging/bmp/dib_layout.h"
#include "win32/win32_owners.h"

#include <cstdint>

namespace demo {

namespace {

vantrel::UniqueBitmap FromDib(HGLOBAL block) {
    vantrel::GlobalLock<const std::uint8_t> dib(block);
    if (!dib) return {};
    // The same arithmetic that writes BMP files: it refuses any DIB whose header, masks, colour
    // table or pixels would reach past the block, so GDI never reads past it either.
    const auto layout = vantrel::PlanBmpFile({dib.get(), ::GlobalSize(block)});
    if (!layout || layout->dibBytes < sizeof(BITMAPINFOHEADER)) return {};
    const auto* info = reinterpret_cast<const BITMAPINFO*>(dib.get());
    if (info->bmiHeader.biSize < sizeof(BITMAPINFOHEADER)) return {};  // GDI takes no core header here

    vantrel::WindowDc screen(nullptr);
    if (!screen) return {};
    const std::uint8_t* bits = dib.get() + (layout->bfOffBits - layout->fileHeader.size());
    return vantrel::UniqueBitmap(::CreateDIBitmap(screen.get(), &info->bmiHeader, CBM_INIT, bits, info, DIB_RGB_COLORS));
}

vantrel::UniqueBitmap FromBitmap(HBITMAP shared) {
    // The clipboard keeps its own bitmap; the window gets a copy.
    return vantrel::UniqueBitmap(static_cast<HBITMAP>(::CopyImage(shared, IMAGE_BITMAP, 0, 0, 0)));
}

}  // namespace

vantrel::UniqueBitmap ReadClipboardPicture(HWND owner) {
    vantrel::OpenClipboardSession clipboard(owner);
    if (!clipboard) return {};
    // A bitmap placed alone is also offered as a DIB, and a DIB as a bitmap made from it, so
    // a DIB that cannot be read is not tried again as a bitmap.
    if (::IsClipboardFormatAvailable(CF_DIB)) {
        HANDLE block = ::GetClipboardData(CF_DIB);
        return block ? FromDib(static_cast<HGLOBAL>(block)) : vantrel::UniqueBitmap();
    }
    if (::IsClipboardFormatAvailable(CF_BITMAP)) {
        if (HANDLE bitmap = ::GetClipboardData(CF_BITMAP)) return FromBitmap(static_cast<HBITMAP>(bitmap));
    }
    return {};
}

}  // namespace demo
