// Each output pixel looks up where it came from in the input.
#include "imaging/cleanup/rotate.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace vantrel::imaging::cleanup {
namespace {

std::uint8_t Channel(const PageImage& page, std::uint32_t x, std::uint32_t y, int channel) {
    const auto row = page.Row(y);
    switch (page.format) {
        case PixelFormat::BlackWhite1: return ((row[x / 8] >> (7 - x % 8)) & 1) ? 0 : 255;
        case PixelFormat::Gray8: return row[x];
        case PixelFormat::Rgb24: return row[3 * x + static_cast<std::uint32_t>(channel)];
    }
    return 0;
}

}  // namespace

Colour EdgeColour(const PageImage& page) {
    Colour colour{255, 255, 255};
    if (!IsWellFormed(page)) return colour;
    const int channels = page.format == PixelFormat::Rgb24 ? 3 : 1;
    for (int c = 0; c < channels; ++c) {
        std::vector<std::uint8_t> levels;
        for (std::uint32_t x = 0; x < page.width; ++x) levels.push_back(Channel(page, x, 0, c)), levels.push_back(Channel(page, x, page.height - 1, c));
        for (std::uint32_t y = 0; y < page.height; ++y) levels.push_back(Channel(page, 0, y, c)), levels.push_back(Channel(page, page.width - 1, y, c));
        std::nth_element(levels.begin(), levels.begin() + static_cast<std::ptrdiff_t>(levels.size() / 2), levels.end());
        colour[static_cast<std::size_t>(c)] = levels[levels.size() / 2];
    }
    if (channels == 1) colour[1] = colour[2] = colour[0];
    return colour;
}

std::optional<PageBuffer> Rotate(const PageImage& page, double degrees, Colour fill) {
    if (!IsWellFormed(page)) return std::nullopt;
    auto out = PageBuffer::Make(page.width, page.height, page.format, page.xDpi, page.yDpi);
    if (!out) return std::nullopt;
    const double radians = degrees * std::numbers::pi / 180, c = std::cos(radians), s = std::sin(radians);
    const double cx = (page.width - 1) / 2.0, cy = (page.height - 1) / 2.0;
    const int channels = page.format == PixelFormat::Rgb24 ? 3 : 1;
    for (std::uint32_t y = 0; y < page.height; ++y) {
        const auto row = out->Row(y);
        const double oy = y - cy;
        for (std::uint32_t x = 0; x < page.width; ++x) {
            const double ox = x - cx;
            const double ix = cx + ox * c + oy * s, iy = cy - ox * s + oy * c;
            if (page.format == PixelFormat::BlackWhite1) {
                const long long nx = std::llround(ix), ny = std::llround(iy);
                const bool inside = nx >= 0 && ny >= 0 && nx < page.width && ny < page.height;
                const bool ink = inside ? Channel(page, static_cast<std::uint32_t>(nx), static_cast<std::uint32_t>(ny), 0) == 0
                                        : fill[0] < 128;
                if (ink) row[x / 8] = static_cast<std::uint8_t>(row[x / 8] | (0x80u >> (x % 8)));
                continue;
            }
            const double fx = std::floor(ix), fy = std::floor(iy);
            const double ax = ix - fx, ay = iy - fy;
            const auto stride = static_cast<std::size_t>(page.stride);
            const bool inside = fx >= 0 && fy >= 0 && fx + 1 < page.width && fy + 1 < page.height;
            const std::uint8_t* p = inside ? page.pixels.data() + static_cast<std::size_t>(fy) * stride +
                                                 static_cast<std::size_t>(fx) * static_cast<std::size_t>(channels)
                                           : nullptr;
            for (int ch = 0; ch < channels; ++ch) {
                // Corners outside the input take the fill, so the page's edge blends into it.
                const auto at = [&](double px, double py, std::size_t offset) -> double {
                    if (p) return p[offset + static_cast<std::size_t>(ch)];
                    if (px < 0 || py < 0 || px >= page.width || py >= page.height) return fill[static_cast<std::size_t>(ch)];
                    return Channel(page, static_cast<std::uint32_t>(px), static_cast<std::uint32_t>(py), ch);
                };
                const auto step = static_cast<std::size_t>(channels);
                const double top = at(fx, fy, 0) * (1 - ax) + at(fx + 1, fy, step) * ax;
                const double bottom = at(fx, fy + 1, stride) * (1 - ax) + at(fx + 1, fy + 1, stride + step) * ax;
                row[static_cast<std::size_t>(x) * static_cast<std::size_t>(channels) + static_cast<std::size_t>(ch)] =
                    static_cast<std::uint8_t>(top * (1 - ay) + bottom * ay + 0.5);
            }
        }
    }
    return out;
}

}  // namespace vantrel::imaging::cleanup
