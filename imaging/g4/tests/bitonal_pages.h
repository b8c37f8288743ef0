// 1-bit pages for tests: pixels owned beside the view, with padding bits and bytes full of junk to be ignored.
#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

#include "imaging/page_image.h"

namespace vantrel::imaging::testing {

struct OwnedBitonalPage {
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

inline void SetPixel(OwnedBitonalPage& owned, std::uint32_t x, std::uint32_t y, bool black) {
    std::uint8_t& byte = owned.pixels[static_cast<std::size_t>(owned.page.stride * y + x / 8)];
    const auto bit = static_cast<std::uint8_t>(0x80 >> (x % 8));
    byte = black ? static_cast<std::uint8_t>(byte | bit) : static_cast<std::uint8_t>(byte & ~bit);
}

inline bool GetPixel(const PageImage& page, std::uint32_t x, std::uint32_t y) {
    return (page.pixels[static_cast<std::size_t>(page.stride * y + x / 8)] >> (7 - x % 8)) & 1;
}

// A white page `padding` bytes wider than needed per row; every byte starts as junk and every pixel is then set white.
inline std::unique_ptr<OwnedBitonalPage> WhitePage(std::uint32_t width, std::uint32_t height, std::uint32_t padding,
                                                   std::uint32_t seed = 1) {
    auto owned = std::make_unique<OwnedBitonalPage>();
    const std::uint64_t stride = MinimumStride(PixelFormat::BlackWhite1, width) + padding;
    owned->pixels.resize(static_cast<std::size_t>(stride * height));
    Lcg junk(seed);
    for (auto& byte : owned->pixels) byte = static_cast<std::uint8_t>(junk.Next());
    owned->page = PageImage{.width = width, .height = height, .format = PixelFormat::BlackWhite1, .stride = stride,
                            .xDpi = 0, .yDpi = 0, .pixels = owned->pixels};
    for (std::uint32_t y = 0; y < height; ++y) {
        for (std::uint32_t x = 0; x < width; ++x) SetPixel(*owned, x, y, false);
    }
    return owned;
}

// Rows of random runs, short ones mostly and now and then very long ones (to reach every make-up code); some rows
// repeat the row above with its edges nudged, which gives the vertical and pass modes a scan has.
inline std::unique_ptr<OwnedBitonalPage> RandomPage(std::uint32_t width, std::uint32_t height, std::uint32_t padding,
                                                    std::uint32_t seed) {
    auto owned = WhitePage(width, height, padding, seed);
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

// A page of text-like lines: glyph-sized blobs of strokes in rows, with margins and word gaps, the way a scanned
// letter looks at `dpi`.
inline std::unique_ptr<OwnedBitonalPage> TextPage(std::uint32_t width, std::uint32_t height, std::uint32_t padding,
                                                  std::uint32_t seed, double dpi) {
    auto owned = WhitePage(width, height, padding, seed);
    owned->page.xDpi = dpi;
    owned->page.yDpi = dpi;
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

// The page's pixels as rows of MinimumStride bytes with the padding bits cleared, as a decoder gives them back.
inline std::vector<std::uint8_t> PackedRows(const PageImage& page) {
    std::vector<std::uint8_t> rows;
    for (std::uint32_t y = 0; y < page.height; ++y) {
        const auto row = page.Row(y);
        rows.insert(rows.end(), row.begin(), row.end());
        if (page.width % 8 != 0) rows.back() &= static_cast<std::uint8_t>(0xFF00 >> (page.width % 8));
    }
    return rows;
}

}  // namespace vantrel::imaging::testing
