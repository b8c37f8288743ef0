// The clipboard's current picture, read without changing the clipboard.
#include "clipboard_picture.h"

#include "win32_owners.h"

#include <cstdint>
#include <cstdlib>

namespace demo {

std::optional<std::size_t> DibBitsOffset(const BITMAPINFOHEADER& header, std::size_t headerBytes) {
    if (headerBytes < sizeof(BITMAPINFOHEADER) || header.biSize < sizeof(BITMAPINFOHEADER)) return std::nullopt;
    if (header.biSize > headerBytes) return std::nullopt;
    std::size_t offset = header.biSize;
    // Only the plain info header leaves the three masks outside itself.
    if (header.biCompression == BI_BITFIELDS && header.biSize == sizeof(BITMAPINFOHEADER)) offset += 3 * sizeof(DWORD);
    std::size_t colours = header.biClrUsed;
    if (colours == 0 && header.biBitCount <= 8) colours = std::size_t{1} << header.biBitCount;
    if (colours > 256 && header.biBitCount <= 8) return std::nullopt;
    return offset + colours * sizeof(RGBQUAD);
}

std::optional<std::size_t> DibImageBytes(const BITMAPINFOHEADER& header) {
    if (header.biSizeImage != 0) return header.biSizeImage;
    if (header.biCompression != BI_RGB && header.biCompression != BI_BITFIELDS) return std::nullopt;
    if (header.biWidth <= 0 || header.biHeight == 0 || header.biBitCount == 0) return std::nullopt;
    const std::uint64_t bitsPerRow = static_cast<std::uint64_t>(header.biWidth) * header.biBitCount;
    const std::uint64_t stride = (bitsPerRow + 31) / 32 * 4;
    const std::uint64_t bytes = stride * static_cast<std::uint64_t>(std::llabs(header.biHeight));
    if (bytes > SIZE_MAX) return std::nullopt;
    return static_cast<std::size_t>(bytes);
}

namespace {

UniqueBitmap FromDib(HGLOBAL block) {
    const std::size_t blockBytes = ::GlobalSize(block);
    vantrel::GlobalLock<BITMAPINFO> dib(block);
    if (!dib || blockBytes < sizeof(BITMAPINFOHEADER)) return {};
    const BITMAPINFOHEADER& header = dib.get()->bmiHeader;
    const auto offset = DibBitsOffset(header, blockBytes);
    const auto image = DibImageBytes(header);
    // A block shorter than its header says would make GDI read past it.
    if (!offset || !image || *offset > blockBytes || *image > blockBytes - *offset) return {};

    WindowDc screen(nullptr);
    if (!screen) return {};
    const auto* bits = reinterpret_cast<const std::uint8_t*>(dib.get()) + *offset;
    return UniqueBitmap(::CreateDIBitmap(screen.get(), &header, CBM_INIT, bits, dib.get(), DIB_RGB_COLORS));
}

UniqueBitmap FromBitmap(HBITMAP shared) {
    // The clipboard keeps its own bitmap; the window gets a copy.
    return UniqueBitmap(static_cast<HBITMAP>(::CopyImage(shared, IMAGE_BITMAP, 0, 0, 0)));
}

}  // namespace

UniqueBitmap ReadClipboardPicture(HWND owner) {
    vantrel::OpenClipboardSession clipboard(owner);
    if (!clipboard) return {};
    // A bitmap placed alone is also offered as a DIB, and a DIB as a bitmap made from it, so
    // a DIB that cannot be read is not tried again as a bitmap.
    if (::IsClipboardFormatAvailable(CF_DIB)) {
        HANDLE block = ::GetClipboardData(CF_DIB);
        return block ? FromDib(static_cast<HGLOBAL>(block)) : UniqueBitmap();
    }
    if (::IsClipboardFormatAvailable(CF_BITMAP)) {
        if (HANDLE bitmap = ::GetClipboardData(CF_BITMAP)) return FromBitmap(static_cast<HBITMAP>(bitmap));
    }
    return {};
}

}  // namespace demo
