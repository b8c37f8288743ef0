// Components up to the size asked for are cleared run by run.
#include "imaging/cleanup/despeckle.h"

#include "imaging/cleanup/components.h"

#include <algorithm>

namespace vantrel::imaging::cleanup {

std::uint64_t RemoveSpecks(InkMask& mask, std::uint32_t maxArea) {
    if (maxArea == 0) return 0;
    const Components components = FindComponents(mask);
    std::uint64_t removed = 0;
    for (const InkRun& run : components.runs) {
        if (components.list[run.component].area > maxArea) continue;
        std::fill(&mask.At(run.left, run.y), &mask.At(run.left, run.y) + (run.right - run.left), std::uint8_t{0});
        removed += run.right - run.left;
    }
    return removed;
}

std::optional<PageBuffer> Despeckle(const PageImage& page, std::uint32_t maxArea) {
    if (page.format != PixelFormat::BlackWhite1 || !IsWellFormed(page)) return std::nullopt;
    InkMask mask = MaskOfBits(page);
    RemoveSpecks(mask, maxArea);
    return PageOfMask(mask, page.xDpi, page.yDpi);
}

}  // namespace vantrel::imaging::cleanup
