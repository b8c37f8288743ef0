// Pages for the imaging tests and samples: pixels owned beside the view, junk in every padding byte and bit, so a
// writer that reads past a row's samples shows it.
#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

#include "imaging/page_image.h"

namespace vantrel::imaging::testing {

struct OwnedPage {
    std::vector<std::uint8_t> pixels;
    PageImage page;
};

class Lcg {
public:
    explicit Lcg(std::uint32_t seed) : state_(seed) {}
    std::uint32_t Next() {
        state_ = state_ * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<std::uint32_t>(state_ >> 33);
    }
    std::uint32_t Below(std::uint32_t bound) { return Next() % bound; }

private:
    std::uint64_t state_;
};

enum class Content {
    Noise,     // random bytes
    Smooth,    // gradients with a little noise and ink strokes, as a scan looks (1-bit: striped strokes)
    TwoLevel,  // each sample 0 or 255 at random: differencing makes it worse
    Flat,      // one grey or colour everywhere
};

inline void SetPixel(OwnedPage& owned, std::uint32_t x, std::uint32_t y, bool black) {
    std::uint8_t& byte = owned.pixels[static_cast<std::size_t>(owned.page.stride * y + x / 8)];
    const auto bit = static_cast<std::uint8_t>(0x80 >> (x % 8));
    byte = black ? static_cast<std::uint8_t>(byte | bit) : static_cast<std::uint8_t>(byte & ~bit);
}

inline bool GetPixel(const PageImage& page, std::uint32_t x, std::uint32_t y) {
    return (page.pixels[static_cast<std::size_t>(page.stride * y + x / 8)] >> (7 - x % 8)) & 1;
}

// A page `padding` bytes wider than needed per row, every byte junk; then `content` drawn over the samples.
inline std::unique_ptr<OwnedPage> SamplePage(PixelFormat format, std::uint32_t width, std::uint32_t height,
                                             std::uint32_t padding, Content content, std::uint32_t seed,
                                             double xDpi = 0, double yDpi = 0) {
    auto owned = std::make_unique<OwnedPage>();
    const std::uint64_t stride = MinimumStride(format, width) + padding;
    owned->pixels.resize(static_cast<std::size_t>(stride * height));
    Lcg random(seed);
    for (auto& byte : owned->pixels) byte = static_cast<std::uint8_t>(random.Next());
    owned->page = PageImage{.width = width, .height = height, .format = format, .stride = stride, .xDpi = xDpi,
                            .yDpi = yDpi, .pixels = owned->pixels};
    if (content == Content::Noise) return owned;
    const std::uint32_t channels = format == PixelFormat::Rgb24 ? 3 : 1;
    for (std::uint32_t y = 0; y < height; ++y) {
        for (std::uint32_t x = 0; x < width; ++x) {
            if (format == PixelFormat::BlackWhite1) {
                const bool ink = content == Content::TwoLevel ? random.Below(2) == 0
                                 : content == Content::Flat   ? false
                                                              : (y / 7 + x / 8) % 5 == 0 && x % 8 < 4;
                SetPixel(*owned, x, y, ink);
                continue;
            }
            for (std::uint32_t c = 0; c < channels; ++c) {
                auto& sample = owned->pixels[static_cast<std::size_t>(stride * y + x * channels + c)];
                const bool ink = (x / 3 + y / 11) % 23 == 0;
                const std::uint32_t phase = (x + 2 * y + 40 * c) % 240, wave = phase < 120 ? phase : 240 - phase;
                sample = content == Content::TwoLevel ? (random.Below(2) ? 255 : 0)
                         : content == Content::Flat   ? static_cast<std::uint8_t>(30 + 85 * c)
                                                      : static_cast<std::uint8_t>((ink ? 30 : 120 + wave) + random.Below(3));
            }
        }
    }
    return owned;
}

// Rows of random runs, short ones mostly and now and then very long ones (to reach every make-up code); some rows
// repeat the row above with its edges nudged, which gives the vertical and pass modes a scan has.
inline std::unique_ptr<OwnedPage> RandomPage(std::uint32_t width, std::uint32_t height, std::uint32_t padding,
                                             std::uint32_t seed) {
    auto owned = SamplePage(PixelFormat::BlackWhite1, width, height, padding, Content::Flat, seed);
    Lcg random(seed * 7919u + 3);
    for (std::uint32_t y = 0; y < height; ++y) {
        const bool nudge = y > 0 && random.Below(3) != 0;
        bool black = random.Below(2) == 0;
        for (std::uint32_t x = 0; x < width;) {
            std::uint32_t run = 1 + random.Below(8);
            const std::uint32_t kind = random.Below(20);
            if (kind == 0) run = 1 + random.Below(6000);
            if (kind == 1) run = 60 + random.Below(200);
            const std::uint32_t end = std::min(width, x + run);
            for (; x < end; ++x) {
                const bool above = nudge ? GetPixel(owned->page, std::min(width - 1, x + random.Below(2)), y - 1) : black;
                SetPixel(*owned, x, y, nudge && random.Below(16) != 0 ? above : black);
            }
            black = !black;
        }
    }
    return owned;
}

// Text-like lines of glyph-sized strokes with margins and word gaps, the way a scanned letter looks at `dpi`.
inline std::unique_ptr<OwnedPage> TextPage(std::uint32_t width, std::uint32_t height, std::uint32_t padding,
                                           std::uint32_t seed, double dpi) {
    auto owned = SamplePage(PixelFormat::BlackWhite1, width, height, padding, Content::Flat, seed);
    owned->page.xDpi = owned->page.yDpi = dpi;
    Lcg random(seed);
    const auto scale = [dpi](double points) { return static_cast<std::uint32_t>(std::max(1.0, points * dpi / 72.0)); };
    const std::uint32_t margin = scale(54), glyphWidth = scale(6), glyphHeight = scale(8), pitch = scale(14);
    const std::uint32_t stroke = std::max(1u, glyphWidth / 6);
    const auto block = [&](std::uint32_t x0, std::uint32_t y0, std::uint32_t w, std::uint32_t h) {
        for (std::uint32_t y = y0; y < std::min(height, y0 + h); ++y) {
            for (std::uint32_t x = x0; x < std::min(width, x0 + w); ++x) SetPixel(*owned, x, y, true);
        }
    };
    for (std::uint32_t top = margin; top + glyphHeight < height - std::min(height, margin); top += pitch) {
        for (std::uint32_t left = margin; left + glyphWidth < width - std::min(width, margin); left += glyphWidth + stroke) {
            if (random.Below(6) == 0) continue;  // a word gap
            const std::uint32_t strokes = 1 + random.Below(3);
            for (std::uint32_t s = 0; s < strokes; ++s) {
                if (random.Below(2) == 0) {
                    block(left + random.Below(glyphWidth - stroke), top, stroke, glyphHeight);
                } else {
                    block(left, top + random.Below(glyphHeight - stroke), glyphWidth - stroke, stroke);
                }
            }
        }
    }
    return owned;
}

// Grey areas as a scanner's black-and-white mode draws them: a ramp across the page, ordered-dithered (4 x 4).
inline std::unique_ptr<OwnedPage> HalftonePage(std::uint32_t width, std::uint32_t height, std::uint32_t padding,
                                               std::uint32_t seed) {
    static constexpr std::uint32_t kBayer[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
    auto owned = SamplePage(PixelFormat::BlackWhite1, width, height, padding, Content::Flat, seed);
    for (std::uint32_t y = 0; y < height; ++y) {
        for (std::uint32_t x = 0; x < width; ++x) SetPixel(*owned, x, y, x * 256 / width <= kBayer[y & 3][x & 3] * 16 + 8);
    }
    return owned;
}

// The page's rows of MinimumStride bytes, padding bits of 1-bit rows cleared, as a decoder gives them back.
inline std::vector<std::uint8_t> PackedRows(const PageImage& page) {
    std::vector<std::uint8_t> rows;
    for (std::uint32_t y = 0; y < page.height; ++y) {
        const auto row = page.Row(y);
        rows.insert(rows.end(), row.begin(), row.end());
        if (page.format == PixelFormat::BlackWhite1 && page.width % 8 != 0)
            rows.back() &= static_cast<std::uint8_t>(0xFF00 >> (page.width % 8));
    }
    return rows;
}

// One byte per sample as an independent reader's L or RGB modes give them; a 1 bit in our pages is black (0).
inline std::vector<std::uint8_t> ReaderSamples(const PageImage& page) {
    if (page.format != PixelFormat::BlackWhite1) return PackedRows(page);
    std::vector<std::uint8_t> out;
    for (std::uint32_t y = 0; y < page.height; ++y) {
        for (std::uint32_t x = 0; x < page.width; ++x) out.push_back(GetPixel(page, x, y) ? 0 : 255);
    }
    return out;
}

}  // namespace vantrel::imaging::testing
