// Reading the clipboard's picture without changing the clipboard.
#include "demo/clipboard_picture.h"

#include "win32/win32_owners.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace demo {
namespace {

BITMAPINFOHEADER Header(LONG width, LONG height, WORD bits, DWORD compression = BI_RGB, DWORD colours = 0) {
    BITMAPINFOHEADER h{};
    h.biSize = sizeof h;
    h.biWidth = width;
    h.biHeight = height;
    h.biPlanes = 1;
    h.biBitCount = bits;
    h.biCompression = compression;
    h.biClrUsed = colours;
    return h;
}

// A packed 24-bit DIB, width x height, every pixel `colour` (0xRRGGBB).
std::vector<std::uint8_t> SolidDib(int width, int height, COLORREF rgb) {
    const BITMAPINFOHEADER header = Header(width, height, 24);
    const std::size_t stride = (static_cast<std::size_t>(width) * 3 + 3) / 4 * 4;
    std::vector<std::uint8_t> dib(sizeof header + stride * height, 0);
    std::memcpy(dib.data(), &header, sizeof header);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            std::uint8_t* pixel = dib.data() + sizeof header + y * stride + x * 3;
            pixel[0] = GetBValue(rgb);
            pixel[1] = GetGValue(rgb);
            pixel[2] = GetRValue(rgb);
        }
    return dib;
}

// Puts one format on the clipboard, as another program would.
bool Place(UINT format, HANDLE data) {
    if (!::OpenClipboard(nullptr)) return false;
    ::EmptyClipboard();
    const bool placed = ::SetClipboardData(format, data) != nullptr;
    ::CloseClipboard();
    return placed;
}

HGLOBAL Block(const std::vector<std::uint8_t>& bytes, std::size_t size) {
    HGLOBAL block = ::GlobalAlloc(GMEM_MOVEABLE, size);
    if (const vantrel::GlobalLock<> data(block); data) std::memcpy(data.get(), bytes.data(), std::min(size, bytes.size()));
    return block;
}

SIZE SizeOf(HBITMAP bitmap) {
    BITMAP b{};
    ::GetObjectW(bitmap, sizeof b, &b);
    return {b.bmWidth, b.bmHeight};
}

COLORREF PixelOf(HBITMAP bitmap, int x, int y) {
    vantrel::UniqueMemoryDc dc(::CreateCompatibleDC(nullptr));
    vantrel::Selection selected(dc.get(), bitmap);
    return ::GetPixel(dc.get(), x, y);
}

TEST(ClipboardPicture, ADibIsCopiedAtItsOwnSizeAndLeftOnTheClipboard) {
    const auto dib = SolidDib(5, 3, RGB(255, 0, 0));
    ASSERT_TRUE(Place(CF_DIB, Block(dib, dib.size())));
    const vantrel::UniqueBitmap picture = ReadClipboardPicture(nullptr);
    ASSERT_TRUE(picture);
    EXPECT_EQ(SizeOf(picture.get()).cx, 5);
    EXPECT_EQ(SizeOf(picture.get()).cy, 3);
    EXPECT_EQ(PixelOf(picture.get(), 4, 2), RGB(255, 0, 0));
    EXPECT_TRUE(::IsClipboardFormatAvailable(CF_DIB)) << "reading must not change the clipboard";
}

TEST(ClipboardPicture, ABitmapAloneIsCopiedToo) {
    const auto dib = SolidDib(7, 2, RGB(0, 0, 255));
    vantrel::WindowDc screen(nullptr);
    const auto* info = reinterpret_cast<const BITMAPINFO*>(dib.data());
    HBITMAP bitmap = ::CreateDIBitmap(screen.get(), &info->bmiHeader, CBM_INIT, dib.data() + sizeof(BITMAPINFOHEADER),
                                      info, DIB_RGB_COLORS);
    ASSERT_TRUE(bitmap);
    ASSERT_TRUE(Place(CF_BITMAP, bitmap));
    const vantrel::UniqueBitmap picture = ReadClipboardPicture(nullptr);
    ASSERT_TRUE(picture);
    EXPECT_EQ(SizeOf(picture.get()).cx, 7);
    EXPECT_EQ(SizeOf(picture.get()).cy, 2);
    EXPECT_EQ(PixelOf(picture.get(), 6, 1), RGB(0, 0, 255));
}

TEST(ClipboardPicture, AShortDibOrNoPictureGivesNothing) {
    const auto dib = SolidDib(64, 64, RGB(0, 255, 0));
    ASSERT_TRUE(Place(CF_DIB, Block(dib, sizeof(BITMAPINFOHEADER) + 16)));
    EXPECT_FALSE(ReadClipboardPicture(nullptr)) << "a block shorter than its header says";

    // A colour table of 2^30 entries: four bytes each would wrap a 32-bit count to nothing.
    auto hugeTable = SolidDib(4, 4, RGB(0, 255, 0));
    reinterpret_cast<BITMAPINFOHEADER*>(hugeTable.data())->biClrUsed = 0x40000000;
    ASSERT_TRUE(Place(CF_DIB, Block(hugeTable, hugeTable.size())));
    EXPECT_FALSE(ReadClipboardPicture(nullptr)) << "a colour table longer than the block";

    HGLOBAL text = ::GlobalAlloc(GMEM_MOVEABLE, 4 * sizeof(wchar_t));
    if (const vantrel::GlobalLock<> data(text); data) std::memcpy(data.get(), L"abc", 4 * sizeof(wchar_t));
    ASSERT_TRUE(Place(CF_UNICODETEXT, text));
    EXPECT_FALSE(ReadClipboardPicture(nullptr));
}

}  // namespace
}  // namespace demo
