// Converting a page's rows into stored greyscale or RGB samples.
#include "imaging/png/sample_rows.h"

#include <algorithm>

namespace vantrel::imaging {

bool RowsAddressable(const PageImage& page) {
    if (!IsWellFormed(page)) return false;
    if (page.height == 1) return true;
    const std::uint64_t minimum = MinimumStride(page.format, page.width);
    return page.stride <= (page.pixels.size() - minimum) / (page.height - 1);
}

std::uint32_t FilterBytesPerPixel(PixelFormat format) {
    return std::max<std::uint32_t>(1, BitsPerPixel(format) / 8);
}

void SampleRow(const PageImage& page, std::uint32_t y, std::span<std::uint8_t> out) {
    const std::span<const std::uint8_t> row = page.Row(y);
    if (page.format != PixelFormat::BlackWhite1) {
        std::copy(row.begin(), row.end(), out.begin());
        return;
    }
    std::transform(row.begin(), row.end(), out.begin(), [](std::uint8_t b) { return static_cast<std::uint8_t>(~b); });
    const std::uint32_t usedBits = page.width % 8;
    if (usedBits != 0) out[row.size() - 1] &= static_cast<std::uint8_t>(0xFF00u >> usedBits);
}

}  // namespace vantrel::imaging
