// A page that owns its pixels: what a transfer assembles or a DIB converts into, viewed as a PageImage.
#pragma once

#include "imaging/page_image.h"

#include <cstddef>
#include <cstdint>
#include <new>
#include <optional>
#include <stdexcept>
#include <span>
#include <stdexcept>
#include <vector>

namespace vantrel::imaging {

class PageBuffer {
public:
    // Rows of exactly MinimumStride bytes, zero-filled. nullopt when the size cannot be held
    // (zero or overflowing dimensions, or no memory), so a driver's wild numbers end cleanly.
    static std::optional<PageBuffer> Make(std::uint32_t width, std::uint32_t height, PixelFormat format,
                                          double xDpi = 0, double yDpi = 0) {
        if (width == 0 || height == 0) return std::nullopt;
        const std::uint64_t stride = MinimumStride(format, width);
        if (stride > SIZE_MAX / height) return std::nullopt;
        PageBuffer page;
        try {
            page.pixels_.resize(static_cast<std::size_t>(stride * height));
        } catch (const std::bad_alloc&) {
            return std::nullopt;
        } catch (const std::length_error&) {
            return std::nullopt;
        }
        page.width_ = width;
        page.height_ = height;
        page.format_ = format;
        page.stride_ = stride;
        page.xDpi_ = xDpi;
        page.yDpi_ = yDpi;
        return page;
    }

    PageImage View() const { return PageImage{width_, height_, format_, stride_, xDpi_, yDpi_, pixels_}; }
    std::span<std::uint8_t> Row(std::uint32_t y) {
        return std::span<std::uint8_t>(pixels_).subspan(static_cast<std::size_t>(stride_ * y),
                                                        static_cast<std::size_t>(stride_));
    }
    std::span<std::uint8_t> Bytes() { return pixels_; }
    std::uint64_t Stride() const { return stride_; }
    void SetResolution(double xDpi, double yDpi) {
        xDpi_ = xDpi;
        yDpi_ = yDpi;
    }

private:
    PageBuffer() = default;
    std::uint32_t width_ = 0;
    std::uint32_t height_ = 0;
    PixelFormat format_ = PixelFormat::Rgb24;
    std::uint64_t stride_ = 0;
    double xDpi_ = 0;
    double yDpi_ = 0;
    std::vector<std::uint8_t> pixels_;
};

}  // namespace vantrel::imaging
