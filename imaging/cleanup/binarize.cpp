// Sauvola with running window sums, and Otsu.
#include "imaging/cleanup/binarize.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace vantrel::imaging::cleanup {

InkMask SauvolaMask(const GreyPlane& grey, const SauvolaOptions& options) {
    const std::uint32_t w = grey.width, h = grey.height;
    const std::int64_t r = options.halfWindow;
    InkMask mask{w, h, std::vector<std::uint8_t>(grey.pixels.size())};
    // Sums over the rows [y - r, y + r] of each column, moved down one row at a time.
    std::vector<std::uint64_t> columnSum(w), columnSquares(w);
    const auto addRow = [&](std::int64_t y, int sign) {
        if (y < 0 || y >= h) return;
        const std::uint8_t* row = &grey.pixels[static_cast<std::size_t>(y) * w];
        for (std::uint32_t x = 0; x < w; ++x) {
            const std::uint64_t v = row[x];
            if (sign > 0) columnSum[x] += v, columnSquares[x] += v * v;
            else columnSum[x] -= v, columnSquares[x] -= v * v;
        }
    };
    for (std::int64_t y = 0; y < r; ++y) addRow(y, 1);
    for (std::int64_t y = 0; y < h; ++y) {
        addRow(y + r, 1);
        addRow(y - r - 1, -1);
        const std::uint64_t rows = static_cast<std::uint64_t>(std::min<std::int64_t>(h - 1, y + r) - std::max<std::int64_t>(0, y - r) + 1);
        std::uint64_t sum = 0, squares = 0;
        for (std::int64_t x = 0; x < std::min<std::int64_t>(r, w); ++x) sum += columnSum[x], squares += columnSquares[x];
        const std::uint8_t* in = &grey.pixels[static_cast<std::size_t>(y) * w];
        std::uint8_t* out = &mask.pixels[static_cast<std::size_t>(y) * w];
        for (std::int64_t x = 0; x < w; ++x) {
            if (x + r < w) sum += columnSum[x + r], squares += columnSquares[x + r];
            if (x - r - 1 >= 0) sum -= columnSum[x - r - 1], squares -= columnSquares[x - r - 1];
            const std::uint64_t n = rows * static_cast<std::uint64_t>(std::min<std::int64_t>(w - 1, x + r) - std::max<std::int64_t>(0, x - r) + 1);
            const double mean = static_cast<double>(sum) / static_cast<double>(n);
            const double variance = std::max(0.0, static_cast<double>(squares) / static_cast<double>(n) - mean * mean);
            const double threshold = mean * (1 + options.k * (std::sqrt(variance) / 128 - 1));
            out[x] = (in[x] <= threshold || in[x] < options.alwaysInk) ? 1 : 0;
        }
    }
    return mask;
}

std::uint8_t OtsuThreshold(const GreyPlane& grey) {
    std::array<std::uint64_t, 256> histogram{};
    for (const std::uint8_t v : grey.pixels) ++histogram[v];
    const double total = static_cast<double>(grey.pixels.size());
    double sumAll = 0;
    for (int i = 0; i < 256; ++i) sumAll += i * static_cast<double>(histogram[static_cast<std::size_t>(i)]);
    double below = 0, sumBelow = 0, best = -1;
    std::uint8_t threshold = 127;
    for (int t = 0; t < 256; ++t) {
        below += static_cast<double>(histogram[static_cast<std::size_t>(t)]);
        sumBelow += t * static_cast<double>(histogram[static_cast<std::size_t>(t)]);
        const double above = total - below;
        if (below == 0 || above == 0) continue;
        const double meanBelow = sumBelow / below, meanAbove = (sumAll - sumBelow) / above;
        const double between = below * above * (meanBelow - meanAbove) * (meanBelow - meanAbove);
        if (between > best) best = between, threshold = static_cast<std::uint8_t>(t);
    }
    return threshold;
}

InkMask OtsuMask(const GreyPlane& grey) {
    const std::uint8_t threshold = OtsuThreshold(grey);
    InkMask mask{grey.width, grey.height, std::vector<std::uint8_t>(grey.pixels.size())};
    for (std::size_t i = 0; i < grey.pixels.size(); ++i) mask.pixels[i] = grey.pixels[i] <= threshold ? 1 : 0;
    return mask;
}

SauvolaOptions SauvolaFor(double dpi) {
    SauvolaOptions options;
    if (dpi > 0) options.halfWindow = std::max<std::uint32_t>(3, static_cast<std::uint32_t>(std::lround(15 * dpi / 300)));
    return options;
}

InkMask InkOf(const PageImage& page, Binarization method) {
    if (page.format == PixelFormat::BlackWhite1) return MaskOfBits(page);
    const GreyPlane grey = ToGrey(page);
    return method == Binarization::Otsu ? OtsuMask(grey) : SauvolaMask(grey, SauvolaFor(page.yDpi));
}

}  // namespace vantrel::imaging::cleanup
