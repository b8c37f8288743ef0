// Runs of each row joined to the runs they touch in the row above (diagonals included).
#include "imaging/cleanup/components.h"

#include <algorithm>
#include <numeric>

namespace vantrel::imaging::cleanup {
namespace {

std::uint32_t Root(std::vector<std::uint32_t>& parent, std::uint32_t i) {
    while (parent[i] != i) i = parent[i] = parent[parent[i]];
    return i;
}

}  // namespace

Components FindComponents(const InkMask& mask) {
    Components result;
    std::vector<std::uint32_t> parent;
    std::size_t previousStart = 0, previousEnd = 0;
    for (std::uint32_t y = 0; y < mask.height; ++y) {
        const std::size_t rowStart = result.runs.size();
        const std::uint8_t* row = &mask.pixels[std::size_t{y} * mask.width];
        for (std::uint32_t x = 0; x < mask.width;) {
            if (!row[x]) { ++x; continue; }
            const std::uint32_t left = x;
            while (x < mask.width && row[x]) ++x;
            const auto id = static_cast<std::uint32_t>(result.runs.size());
            result.runs.push_back({y, left, x, id});
            parent.push_back(id);
            // Runs above overlap when they reach from left - 1 to x (the diagonals).
            for (std::size_t p = previousStart; p < previousEnd; ++p) {
                const InkRun& above = result.runs[p];
                if (above.right + 1 <= left || above.left > x) continue;
                const std::uint32_t a = Root(parent, id), b = Root(parent, above.component);
                if (a != b) parent[std::max(a, b)] = std::min(a, b);
            }
        }
        previousStart = rowStart;
        previousEnd = result.runs.size();
    }
    std::vector<std::uint32_t> index(parent.size(), UINT32_MAX);
    for (InkRun& run : result.runs) {
        const std::uint32_t root = Root(parent, run.component);
        if (index[root] == UINT32_MAX) {
            index[root] = static_cast<std::uint32_t>(result.list.size());
            result.list.emplace_back();
        }
        run.component = index[root];
        Component& c = result.list[run.component];
        c.area += run.right - run.left;
        c.left = std::min(c.left, run.left);
        c.right = std::max(c.right, run.right - 1);
        c.top = std::min(c.top, run.y);
        c.bottom = std::max(c.bottom, run.y);
    }
    return result;
}

}  // namespace vantrel::imaging::cleanup
