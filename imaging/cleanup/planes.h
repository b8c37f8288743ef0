// The working forms of a page during clean-up: a grey plane (one byte a pixel) and an ink mask (1 = ink), with the
// conversions from and back to the page model, so every step reads any pixel format the same way.
#pragma once

#include "imaging/page_buffer.h"
#include "imaging/page_image.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace vantrel::imaging::cleanup {

template <typename T>
struct Plane {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::vector<T> pixels;  // width * height, top row first

    T& At(std::uint32_t x, std::uint32_t y) { return pixels[std::size_t{y} * width + x]; }
    T At(std::uint32_t x, std::uint32_t y) const { return pixels[std::size_t{y} * width + x]; }
};

using GreyPlane = Plane<std::uint8_t>;  // 0 black .. 255 white
using InkMask = Plane<std::uint8_t>;    // 1 ink, 0 paper

// Luminance of any format (1-bit ink as 0, paper as 255; colour by Rec. 601 weights).
GreyPlane ToGrey(const PageImage& page);
// The set bits of a 1-bit page.
InkMask MaskOfBits(const PageImage& page);
// A 1-bit page of the mask at the given resolution; nullopt when it cannot be held.
std::optional<PageBuffer> PageOfMask(const InkMask& mask, double xDpi, double yDpi);
// A copy of the page in its own buffer (the pipeline's starting point when no step changes it).
std::optional<PageBuffer> CopyPage(const PageImage& page);

// Millimetres in pixels at `dpi`; without a resolution, `fallbackShare` of `length`.
std::uint32_t PixelsForMm(double mm, double dpi, std::uint32_t length, double fallbackShare);

}  // namespace vantrel::imaging::cleanup
