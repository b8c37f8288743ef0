// Grey and colour pages for the TIFF tests, owned beside their views, with junk in the stride padding.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "imaging/g4/tests/bitonal_pages.h"
#include "imaging/page_image.h"

namespace vantrel::imaging::testing {

struct OwnedPage {
    std::vector<std::uint8_t> pixels;
    PageImage page;
};

enum class Samples {
    Noise,     // random bytes
    Smooth,    // gradients with a little noise and some ink strokes, as a scan looks
    TwoLevel,  // each sample 0 or 255 at random: differencing makes it worse
};

inline std::unique_ptr<OwnedPage> SamplePage(PixelFormat format, std::uint32_t width, std::uint32_t height,
                                             std::uint32_t padding, Samples content, std::uint32_t seed,
                                             double xDpi = 0, double yDpi = 0) {
    auto owned = std::make_unique<OwnedPage>();
    const std::uint64_t stride = MinimumStride(format, width) + padding;
    owned->pixels.resize(static_cast<std::size_t>(stride * height));
    Lcg random(seed);
    for (auto& byte : owned->pixels) byte = static_cast<std::uint8_t>(random.Next());
    const std::uint32_t channels = format == PixelFormat::Rgb24 ? 3 : 1;
    if (format != PixelFormat::BlackWhite1 && content != Samples::Noise) {
        for (std::uint32_t y = 0; y < height; ++y) {
            for (std::uint32_t x = 0; x < width; ++x) {
                for (std::uint32_t c = 0; c < channels; ++c) {
                    auto& sample = owned->pixels[static_cast<std::size_t>(stride * y + x * channels + c)];
                    if (content == Samples::TwoLevel) {
                        sample = random.Below(2) ? 255 : 0;
                        continue;
                    }
                    const bool ink = (x / 3 + y / 11) % 23 == 0;
                    sample = static_cast<std::uint8_t>((ink ? 30 : 120 + (x + 2 * y + 40 * c) % 120) + random.Below(3));
                }
            }
        }
    }
    owned->page = PageImage{.width = width, .height = height, .format = format, .stride = stride, .xDpi = xDpi,
                            .yDpi = yDpi, .pixels = owned->pixels};
    return owned;
}

}  // namespace vantrel::imaging::testing
