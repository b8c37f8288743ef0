// Reading the clipboard's picture without changing the clipboard.
#include "demo/clipboard_picture.h"

#include "win32/win32_owners.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace demo {
namespace {

// A packed 24-bit DIB, width x height, every pixel `rgb`.
std::vector<std::uint8_t> SolidDib(int width, int height, COLORREF rgb) {
    const BITMAPINFOHEADER header{sizeof header, width, height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    const std::size_t stride = (static_cast<std::size_t>(width) * 3 + 3) / 4 * 4;
    std::vector<std::uint8_t> dib(sizeof header + stride * height, 0);
    std::memcpy(dib.data(), &header, sizeof header);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            std::uint8_t* pixel = dib.data() + sizeof header + y * stride + x * 3;
            pixel[0] = GetBValue(rgb), pixel[1] = GetGValue(rgb), pixel[2] = GetRValue(rgb);
        }
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

// What another program left on the clipboard, and the picture read from it (none: 0 x 0).
TEST(ClipboardPicture, ADibOrABitmapIsCopiedAtItsOwnSizeAndAnythingBrokenGivesNothing) {
    vantrel::WindowDc screen(nullptr);
    const auto bitmapOf = [&](const std::vector<std::uint8_t>& dib) -> HANDLE {
        const auto* info = reinterpret_cast<const BITMAPINFO*>(dib.data());
        return ::CreateDIBitmap(screen.get(), &info->bmiHeader, CBM_INIT, dib.data() + sizeof(BITMAPINFOHEADER), info,
                                DIB_RGB_COLORS);
    };
    const auto red = SolidDib(5, 3, RGB(255, 0, 0));
    auto hugeTable = SolidDib(4, 4, RGB(0, 255, 0));
    // A colour table of 2^30 entries: four bytes each would wrap a 32-bit count to nothing.
    reinterpret_cast<BITMAPINFOHEADER*>(hugeTable.data())->biClrUsed = 0x40000000;
    const std::vector<std::uint8_t> text(reinterpret_cast<const std::uint8_t*>(L"abc"), reinterpret_cast<const std::uint8_t*>(L"abc") + 8);
    struct Case {
        const char* name;
        UINT format;
        HANDLE data;
        SIZE size;
        COLORREF corner;  // the bottom right pixel
    } const cases[] = {
        {"a DIB", CF_DIB, Block(red, red.size()), {5, 3}, RGB(255, 0, 0)},
        {"a bitmap alone", CF_BITMAP, bitmapOf(SolidDib(7, 2, RGB(0, 0, 255))), {7, 2}, RGB(0, 0, 255)},
        {"a block shorter than its header says", CF_DIB, Block(SolidDib(64, 64, 0), sizeof(BITMAPINFOHEADER) + 16), {}, 0},
        {"a colour table longer than the block", CF_DIB, Block(hugeTable, hugeTable.size()), {}, 0},
        {"text", CF_UNICODETEXT, Block(text, text.size()), {}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(Place(c.format, c.data));
        const vantrel::UniqueBitmap picture = ReadClipboardPicture(nullptr);
        EXPECT_EQ(static_cast<bool>(picture), c.size.cx != 0);
        if (!picture) continue;
        EXPECT_EQ(SizeOf(picture.get()).cx, c.size.cx);
        EXPECT_EQ(SizeOf(picture.get()).cy, c.size.cy);
        EXPECT_EQ(PixelOf(picture.get(), c.size.cx - 1, c.size.cy - 1), c.corner);
        EXPECT_TRUE(::IsClipboardFormatAvailable(c.format)) << "reading must not change the clipboard";
    }
}

}  // namespace
}  // namespace demo
