// One scanned page as the image writers take it: geometry, resolution and top-down rows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace vantrel::imaging {

enum class PixelFormat : std::uint8_t {
    BlackWhite1,  // 1 bit per pixel, most significant bit first, 1 = black (ink), 0 = white
    Gray8,        // 1 byte per pixel, 0 = black, 255 = white
    Rgb24,        // 3 bytes per pixel in the order R, G, B
};

constexpr std::uint32_t BitsPerPixel(PixelFormat format) {
    switch (format) {
        case PixelFormat::BlackWhite1: return 1;
        case PixelFormat::Gray8: return 8;
        case PixelFormat::Rgb24: return 24;
    }
    return 0;
}

// The bytes one row needs without padding.
constexpr std::uint64_t MinimumStride(PixelFormat format, std::uint32_t width) {
    return (std::uint64_t{width} * BitsPerPixel(format) + 7) / 8;
}

// A view of a page; the pixels stay the caller's. Rows are top-down, `stride` bytes apart
// (stride >= MinimumStride); padding bits and bytes after each row's pixels hold anything.
struct PageImage {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    PixelFormat format = PixelFormat::Rgb24;
    std::uint64_t stride = 0;
    double xDpi = 0;  // 0 when the source gave none
    double yDpi = 0;
    std::span<const std::uint8_t> pixels;  // at least stride * (height - 1) + MinimumStride bytes
    // The colour profile (ICC) the pixels are in, kept alive as the pixels are; empty: none said. A writer embeds it
    // only when it describes the page's colours (imaging/icc_profile.h).
    std::span<const std::uint8_t> iccProfile = {};

    std::span<const std::uint8_t> Row(std::uint32_t y) const {
        return pixels.subspan(static_cast<std::size_t>(stride * y), static_cast<std::size_t>(MinimumStride(format, width)));
    }
};

// True when the view is consistent: non-empty, stride wide enough, enough bytes for every row.
constexpr bool IsWellFormed(const PageImage& page) {
    if (page.width == 0 || page.height == 0) return false;
    const std::uint64_t minimum = MinimumStride(page.format, page.width);
    if (page.stride < minimum) return false;
    // Checked by division first, so a huge stride cannot wrap the product into a small size.
    const std::uint64_t size = page.pixels.size();
    if (size < minimum) return false;
    if (page.height > 1 && page.stride > (size - minimum) / (page.height - 1)) return false;
    return true;
}

}  // namespace vantrel::imaging
