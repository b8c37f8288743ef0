// Packed-DIB arithmetic, and reading the clipboard's picture without changing the clipboard.
#include "clipboard_picture.h"

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

TEST(DibArithmetic, BitsFollowHeaderMasksAndColourTable) {
    struct Case {
        BITMAPINFOHEADER header;
        std::size_t offset;
    } const cases[] = {
        {Header(4, 4, 24), 40},
        {Header(4, 4, 32), 40},
        {Header(4, 4, 8), 40 + 256 * 4},
        {Header(4, 4, 8, BI_RGB, 16), 40 + 16 * 4},
        {Header(4, 4, 1), 40 + 2 * 4},
        {Header(4, 4, 16, BI_BITFIELDS), 40 + 3 * 4},
        {Header(4, 4, 24, BI_RGB, 5), 40 + 5 * 4},
    };
    for (const Case& c : cases) EXPECT_EQ(DibBitsOffset(c.header, 4096), c.offset) << c.header.biBitCount << " bits";
}

TEST(DibArithmetic, HeadersThatDescribeNoDibAreRefused) {
    BITMAPINFOHEADER small = Header(4, 4, 24);
    small.biSize = 12;
    EXPECT_FALSE(DibBitsOffset(small, 4096));
    EXPECT_FALSE(DibBitsOffset(Header(4, 4, 24), 39)) << "block shorter than its header";
    EXPECT_FALSE(DibBitsOffset(Header(4, 4, 8, BI_RGB, 300), 4096)) << "more colours than 8 bits can index";
}

TEST(DibArithmetic, ImageBytesAreRowsPaddedToFourBytes) {
    struct Case {
        BITMAPINFOHEADER header;
        std::size_t bytes;
    } const cases[] = {
        {Header(3, 2, 24), 2 * 12}, {Header(16, 16, 24), 16 * 48}, {Header(3, -2, 24), 2 * 12},
        {Header(1, 1, 1), 4},       {Header(33, 1, 1), 8},          {Header(5, 3, 32), 3 * 20},
    };
    for (const Case& c : cases) EXPECT_EQ(DibImageBytes(c.header), c.bytes) << c.header.biWidth << "x" << c.header.biHeight;
    BITMAPINFOHEADER given = Header(3, 2, 24);
    given.biSizeImage = 100;
    EXPECT_EQ(DibImageBytes(given), 100u);
    EXPECT_FALSE(DibImageBytes(Header(0, 2, 24)));
    EXPECT_FALSE(DibImageBytes(Header(3, 2, 24, BI_RLE8)));
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
    if (void* p = ::GlobalLock(block)) {
        std::memcpy(p, bytes.data(), std::min(size, bytes.size()));
        ::GlobalUnlock(block);
    }
    return block;
}

SIZE SizeOf(HBITMAP bitmap) {
    BITMAP b{};
    ::GetObjectW(bitmap, sizeof b, &b);
    return {b.bmWidth, b.bmHeight};
}

COLORREF PixelOf(HBITMAP bitmap, int x, int y) {
    UniqueMemoryDc dc(::CreateCompatibleDC(nullptr));
    Selection selected(dc.get(), bitmap);
    return ::GetPixel(dc.get(), x, y);
}

TEST(ClipboardPicture, ADibIsCopiedAtItsOwnSizeAndLeftOnTheClipboard) {
    const auto dib = SolidDib(5, 3, RGB(255, 0, 0));
    ASSERT_TRUE(Place(CF_DIB, Block(dib, dib.size())));
    const UniqueBitmap picture = ReadClipboardPicture(nullptr);
    ASSERT_TRUE(picture);
    EXPECT_EQ(SizeOf(picture.get()).cx, 5);
    EXPECT_EQ(SizeOf(picture.get()).cy, 3);
    EXPECT_EQ(PixelOf(picture.get(), 4, 2), RGB(255, 0, 0));
    EXPECT_TRUE(::IsClipboardFormatAvailable(CF_DIB)) << "reading must not change the clipboard";
}

TEST(ClipboardPicture, ABitmapAloneIsCopiedToo) {
    const auto dib = SolidDib(7, 2, RGB(0, 0, 255));
    WindowDc screen(nullptr);
    const auto* info = reinterpret_cast<const BITMAPINFO*>(dib.data());
    HBITMAP bitmap = ::CreateDIBitmap(screen.get(), &info->bmiHeader, CBM_INIT, dib.data() + sizeof(BITMAPINFOHEADER),
                                      info, DIB_RGB_COLORS);
    ASSERT_TRUE(bitmap);
    ASSERT_TRUE(Place(CF_BITMAP, bitmap));
    const UniqueBitmap picture = ReadClipboardPicture(nullptr);
    ASSERT_TRUE(picture);
    EXPECT_EQ(SizeOf(picture.get()).cx, 7);
    EXPECT_EQ(SizeOf(picture.get()).cy, 2);
    EXPECT_EQ(PixelOf(picture.get(), 6, 1), RGB(0, 0, 255));
}

TEST(ClipboardPicture, AShortDibOrNoPictureGivesNothing) {
    const auto dib = SolidDib(64, 64, RGB(0, 255, 0));
    ASSERT_TRUE(Place(CF_DIB, Block(dib, sizeof(BITMAPINFOHEADER) + 16)));
    EXPECT_FALSE(ReadClipboardPicture(nullptr)) << "a block shorter than its header says";

    HGLOBAL text = ::GlobalAlloc(GMEM_MOVEABLE, 4 * sizeof(wchar_t));
    if (void* p = ::GlobalLock(text)) {
        std::memcpy(p, L"abc", 4 * sizeof(wchar_t));
        ::GlobalUnlock(text);
    }
    ASSERT_TRUE(Place(CF_UNICODETEXT, text));
    EXPECT_FALSE(ReadClipboardPicture(nullptr));
}

}  // namespace
}  // namespace demo
