// Painting the test chart's bars, label band and ramp.
#include "test_chart.h"

namespace vantrel::scanner {

ChartBands BandsFor(int height) { return {height * 45 / 100, height * 60 / 100}; }

std::vector<Rgb> PaintChart(int width, int height) {
    if (width <= 0 || height <= 0) return {};
    std::vector<Rgb> pixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    const ChartBands bands = BandsFor(height);
    const int rampSpan = width > 1 ? width - 1 : 1;
    for (int y = 0; y < height; ++y) {
        Rgb* row = pixels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
        for (int x = 0; x < width; ++x) {
            if (y < bands.barsBottom) {
                row[x] = kBarColours[x * 8 / width];
            } else if (y < bands.labelBottom) {
                row[x] = kBarColours[0];
            } else {
                const unsigned level = static_cast<unsigned>(x * 255 / rampSpan);
                row[x] = MakeRgb(level, level, level);
            }
        }
    }
    return pixels;
}

}  // namespace vantrel::scanner
