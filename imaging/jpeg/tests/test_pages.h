// Test pages with photo-like, document-like or flat content in every format, rows padded with garbage.
#pragma once

#include <cstdint>
#include <vector>

#include "imaging/page_image.h"

namespace vantrel::imaging::test {

enum class Content {
    Photo,     // smooth colour waves with one hard-edged disc
    Document,  // dark glyph-like strokes on white, a coloured band, box and highlight; white top margin
    Flat,      // one colour everywhere
};

struct Rgb {
    std::uint8_t r, g, b;
};

// A page with its own pixels; View() points into them, so keep the OwnedPage alive while it is used.
struct OwnedPage {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    PixelFormat format = PixelFormat::Rgb24;
    std::uint64_t stride = 0;
    double xDpi = 0;
    double yDpi = 0;
    std::vector<std::uint8_t> bytes;  // exactly stride * (height - 1) + MinimumStride: nothing to spare

    PageImage View() const { return {width, height, format, stride, xDpi, yDpi, bytes}; }
};

// The colour the content has at a pixel; grey pages take its luma, 1-bit pages ink where it is dark.
Rgb ContentColour(Content content, std::uint32_t x, std::uint32_t y);
std::uint8_t ContentGrey(Content content, std::uint32_t x, std::uint32_t y);
bool ContentInk(Content content, std::uint32_t x, std::uint32_t y);

// `padding` bytes after each row (and the unused bits of a 1-bit row's last byte) are garbage.
OwnedPage MakePage(std::uint32_t width, std::uint32_t height, PixelFormat format, Content content,
                   std::uint32_t padding, double dpi);

}  // namespace vantrel::imaging::test
