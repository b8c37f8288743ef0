// Pages for tests: pixels owned beside the view, with padding filled with junk the writers must ignore.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "imaging/page_image.h"

namespace vantrel::imaging::testing {

struct OwnedPage {
    std::vector<std::uint8_t> pixels;
    PageImage page;
};

enum class Content { Noise, Smooth };

// A page whose stride is `padding` bytes wider than needed. Noise is pseudo-random; Smooth looks like a
// scan (gradients, a few ink strokes), which deflates the way real pages do.
inline std::unique_ptr<OwnedPage> MakePage(PixelFormat format, std::uint32_t width, std::uint32_t height,
                                           std::uint32_t padding = 0, Content content = Content::Noise,
                                           std::uint32_t seed = 1, double xDpi = 0, double yDpi = 0) {
    auto owned = std::make_unique<OwnedPage>();
    const std::uint64_t stride = MinimumStride(format, width) + padding;
    owned->pixels.resize(static_cast<std::size_t>(stride * height));
    std::uint32_t state = seed;
    const auto next = [&state] {
        state = state * 1103515245u + 12345u;
        return static_cast<std::uint8_t>(state >> 16);
    };
    const std::uint32_t channels = format == PixelFormat::Rgb24 ? 3 : 1;
    for (std::uint32_t y = 0; y < height; ++y) {
        std::uint8_t* row = owned->pixels.data() + stride * y;
        for (std::uint64_t i = 0; i < stride; ++i) row[i] = next();
        if (content == Content::Noise) continue;
        if (format == PixelFormat::BlackWhite1) {
            for (std::uint64_t i = 0; i < MinimumStride(format, width); ++i) {
                row[i] = (y / 7 + i) % 5 == 0 ? static_cast<std::uint8_t>(0xF0 >> (y % 4)) : 0;
            }
            continue;
        }
        for (std::uint32_t x = 0; x < width; ++x) {
            for (std::uint32_t c = 0; c < channels; ++c) {
                const bool ink = (x / 3 + y / 11) % 23 == 0;
                const int base = ink ? 30 : 200 + static_cast<int>((x + 2 * y + 40 * c) % 50);
                row[x * channels + c] = static_cast<std::uint8_t>(base + next() % 4);
            }
        }
    }
    owned->page = PageImage{.width = width, .height = height, .format = format, .stride = stride,
                            .xDpi = xDpi, .yDpi = yDpi, .pixels = owned->pixels};
    return owned;
}

}  // namespace vantrel::imaging::testing
