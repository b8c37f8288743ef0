// The test chart's picture before any text or page band is drawn on it: colour bars, a label band, a grey ramp (pure logic).
#pragma once

#include <cstdint>
#include <vector>

namespace vantrel::scanner {

// A 0x00RRGGBB pixel.
using Rgb = std::uint32_t;

constexpr Rgb MakeRgb(unsigned r, unsigned g, unsigned b) { return (r << 16) | (g << 8) | b; }
constexpr unsigned RedOf(Rgb c) { return (c >> 16) & 0xFF; }
constexpr unsigned GreenOf(Rgb c) { return (c >> 8) & 0xFF; }
constexpr unsigned BlueOf(Rgb c) { return c & 0xFF; }

// The chart's bands from the top: bars in rows [0, barsBottom), the white label band in
// [barsBottom, labelBottom), the ramp from black (left) to white (right) below.
struct ChartBands {
    int barsBottom;
    int labelBottom;
};

ChartBands BandsFor(int height);

// The classic order of the eight bars, white on the left to black on the right.
inline constexpr Rgb kBarColours[8] = {
    MakeRgb(255, 255, 255), MakeRgb(255, 255, 0), MakeRgb(0, 255, 255), MakeRgb(0, 255, 0),
    MakeRgb(255, 0, 255),   MakeRgb(255, 0, 0),   MakeRgb(0, 0, 255),   MakeRgb(0, 0, 0),
};

// Row y of the chart (width pixels into `row`); the picture PaintChart makes, one row at a time.
void PaintChartRow(int width, int height, int y, Rgb* row);

// The chart as width * height pixels, the top row first. The label band is left white for
// the text the platform layer draws.
std::vector<Rgb> PaintChart(int width, int height);

}  // namespace vantrel::scanner
