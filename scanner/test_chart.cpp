// Painting the test chart's bars, label band and ramp.
#include "scanner/test_chart.h"

namespace vantrel::scanner {

ChartBands BandsFor(int height) { return {height * 45 / 100, height * 60 / 100}; }

void PaintChartRow(int width, int height, int y, Rgb* row) {
    const ChartBands bands = BandsFor(height);
    if (y < bands.barsBottom) {
        for (int x = 0; x < width; ++x) row[x] = kBarColours[x * 8 / width];
        return;
    }
    if (y < bands.labelBottom) {
        for (int x = 0; x < width; ++x) row[x] = kBarColours[0];
        return;
    }
    const int rampSpan = width > 1 ? width - 1 : 1;
    for (int x = 0; x < width; ++x) {
        const unsigned level = static_cast<unsigned>(x * 255 / rampSpan);
        row[x] = MakeRgb(level, level, level);
    }
}

std::vector<Rgb> PaintChart(int width, int height) {
    if (width <= 0 || height <= 0) return {};
    std::vector<Rgb> pixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y) {
        PaintChartRow(width, height, y, pixels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width));
    }
    return pixels;
}

}  // namespace vantrel::scanner
