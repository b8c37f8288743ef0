// Components of the ink inside the margin, each counted or ignored as a whole.
#include "imaging/cleanup/blank_page.h"

#include "imaging/cleanup/components.h"

#include <algorithm>
#include <cmath>

namespace vantrel::imaging::cleanup {
namespace {

// A filing punch's hole: a solid disc 4 to 9 mm across (ISO 838 uses 6 mm), seen dark on the scanner's backing.
bool IsPunchHole(const Component& c, double dpi) {
    const double mm = dpi > 0 ? 25.4 / dpi : 0;
    if (mm == 0) return false;
    const double w = (c.right - c.left + 1) * mm, h = (c.bottom - c.top + 1) * mm;
    if (w < 4 || w > 9 || h < 4 || h > 9 || std::abs(w - h) > 0.2 * std::max(w, h)) return false;
    const double fill = static_cast<double>(c.area) / (static_cast<double>(c.right - c.left + 1) * static_cast<double>(c.bottom - c.top + 1));
    return fill > 0.65 && fill < 0.9;  // a disc fills pi / 4 of its box
}

}  // namespace

InkMeasure MeasureInk(const InkMask& ink, double dpi, const BlankOptions& options) {
    const std::uint32_t mx = PixelsForMm(options.marginMm, dpi, ink.width, 0.07);
    const std::uint32_t my = PixelsForMm(options.marginMm, dpi, ink.height, 0.07);
    if (ink.width <= 2 * mx || ink.height <= 2 * my) return {0, true};
    const double speck = dpi > 0 ? options.speckMm2 * dpi * dpi / (25.4 * 25.4) : 0;
    const Components components = FindComponents(ink);
    std::vector<std::uint8_t> ignored(components.list.size());
    for (std::size_t i = 0; i < components.list.size(); ++i) {
        const Component& c = components.list[i];
        // What touches the page's edge is the feeder's background (or the sheet's shadow), never the sheet's content.
        const bool touchesEdge = c.left == 0 || c.top == 0 || c.right + 1 == ink.width || c.bottom + 1 == ink.height;
        ignored[i] = touchesEdge || static_cast<double>(c.area) < speck || IsPunchHole(c, dpi);
    }
    std::uint64_t counted = 0;
    for (const InkRun& run : components.runs) {
        if (ignored[run.component] || run.y < my || run.y >= ink.height - my) continue;
        const std::uint32_t left = std::max(run.left, mx), right = std::min(run.right, ink.width - mx);
        if (right > left) counted += right - left;
    }
    const double percent = 100.0 * static_cast<double>(counted) / (static_cast<double>(ink.width - 2 * mx) * (ink.height - 2 * my));
    return {percent, percent < options.thresholdPercent};
}

}  // namespace vantrel::imaging::cleanup
