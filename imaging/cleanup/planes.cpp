// Conversions between the page model and the clean-up's planes.
#include "imaging/cleanup/planes.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace vantrel::imaging::cleanup {

GreyPlane ToGrey(const PageImage& page) {
    GreyPlane grey{page.width, page.height, std::vector<std::uint8_t>(std::size_t{page.width} * page.height)};
    for (std::uint32_t y = 0; y < page.height; ++y) {
        const auto row = page.Row(y);
        std::uint8_t* out = &grey.At(0, y);
        for (std::uint32_t x = 0; x < page.width; ++x) {
            switch (page.format) {
                case PixelFormat::BlackWhite1: out[x] = ((row[x / 8] >> (7 - x % 8)) & 1) ? 0 : 255; break;
                case PixelFormat::Gray8: out[x] = row[x]; break;
                case PixelFormat::Rgb24:
                    out[x] = static_cast<std::uint8_t>((77 * row[3 * x] + 150 * row[3 * x + 1] + 29 * row[3 * x + 2]) >> 8);
                    break;
            }
        }
    }
    return grey;
}

InkMask MaskOfBits(const PageImage& page) {
    InkMask mask{page.width, page.height, std::vector<std::uint8_t>(std::size_t{page.width} * page.height)};
    for (std::uint32_t y = 0; y < page.height; ++y) {
        const auto row = page.Row(y);
        for (std::uint32_t x = 0; x < page.width; ++x) mask.At(x, y) = (row[x / 8] >> (7 - x % 8)) & 1;
    }
    return mask;
}

std::optional<PageBuffer> PageOfMask(const InkMask& mask, double xDpi, double yDpi) {
    auto page = PageBuffer::Make(mask.width, mask.height, PixelFormat::BlackWhite1, xDpi, yDpi);
    if (!page) return std::nullopt;
    for (std::uint32_t y = 0; y < mask.height; ++y) {
        const auto row = page->Row(y);
        for (std::uint32_t x = 0; x < mask.width; ++x)
            if (mask.At(x, y)) row[x / 8] = static_cast<std::uint8_t>(row[x / 8] | (0x80u >> (x % 8)));
    }
    return page;
}

std::optional<PageBuffer> CopyPage(const PageImage& page) {
    auto copy = PageBuffer::Make(page.width, page.height, page.format, page.xDpi, page.yDpi);
    if (!copy) return std::nullopt;
    for (std::uint32_t y = 0; y < page.height; ++y) {
        const auto row = page.Row(y);
        std::memcpy(copy->Row(y).data(), row.data(), row.size());
    }
    return copy;
}

std::uint32_t PixelsForMm(double mm, double dpi, std::uint32_t length, double fallbackShare) {
    const double pixels = dpi > 0 ? mm * dpi / 25.4 : fallbackShare * length;
    return static_cast<std::uint32_t>(std::clamp(std::llround(pixels), 0LL, static_cast<long long>(length)));
}

}  // namespace vantrel::imaging::cleanup
