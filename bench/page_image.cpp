// Packed DIBs of scanned pages, filled the way a driver fills them: every byte written.
#include "bench/page_image.h"

#include <cstring>

namespace bench {

namespace {

std::size_t Stride(const Page& page) { return (static_cast<std::size_t>(page.width) * 3 + 3) & ~std::size_t{3}; }

}  // namespace

std::size_t DibBytes(const Page& page) { return sizeof(BITMAPINFOHEADER) + Stride(page) * page.height; }

void FillDib(const Page& page, std::span<std::uint8_t> dib) {
    BITMAPINFOHEADER header{};
    header.biSize = sizeof header;
    header.biWidth = page.width;
    header.biHeight = page.height;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    header.biSizeImage = static_cast<DWORD>(Stride(page) * page.height);
    header.biXPelsPerMeter = header.biYPelsPerMeter = 23622;  // 600 dpi
    std::memcpy(dib.data(), &header, sizeof header);

    // A row of grey steps, repeated: cheap to write, not a run of zeros a file system could skip.
    const std::span<std::uint8_t> pixels = dib.subspan(sizeof header);
    const std::size_t stride = Stride(page);
    for (std::size_t x = 0; x < stride; ++x) pixels[x] = static_cast<std::uint8_t>(x * 7);
    for (std::size_t row = 1; row < static_cast<std::size_t>(page.height); ++row)
        std::memcpy(pixels.data() + row * stride, pixels.data(), stride);
}

vantrel::UniqueGlobal MakeDibBlock(const Page& page) {
    vantrel::UniqueGlobal block(::GlobalAlloc(GMEM_MOVEABLE, DibBytes(page)));
    if (!block) return block;
    vantrel::GlobalLock<std::uint8_t> bytes(block.get());
    if (!bytes) return vantrel::UniqueGlobal(nullptr);
    FillDib(page, {bytes.get(), DibBytes(page)});
    return block;
}

}  // namespace bench
