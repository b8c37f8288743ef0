// The clean-up of one page: each step optional, always in this order: deskew, border crop, blank-page detection,
// binarization, despeckle. Straightening first gives the crop straight edges; the blank test then sees only the
// sheet; binarizing last but one lets despeckle clean its result. Every step keeps the page's resolution.
#pragma once

#include "imaging/cleanup/binarize.h"
#include "imaging/cleanup/blank_page.h"
#include "imaging/cleanup/skew.h"
#include "imaging/page_buffer.h"

#include <cstdint>
#include <optional>

namespace vantrel::imaging::cleanup {

// Specks of up to this many pixels go when despeckling is asked without a size (about 0.25 mm across at 300 dpi,
// smaller than a full stop).
inline constexpr std::uint32_t kDefaultSpeckPixels = 9;

struct CleanupOptions {
    bool skipBlank = false;
    BlankOptions blank;
    bool deskew = false;
    SkewOptions skew;
    bool crop = false;
    Binarization binarize = Binarization::None;
    std::uint32_t despeckle = 0;  // largest speck in pixels; 0: off. 1-bit pages only (binarized ones included)
};

bool AnyStep(const CleanupOptions& options);

struct PageReport {
    bool kept = true;           // false: dropped as blank
    double inkPercent = -1;     // measured when blank pages are skipped; -1 otherwise
    double skewDegrees = 0;     // the rotation undone (0 when below the minimum, not found or not asked)
    bool skewFound = false;
    std::uint32_t width = 0, height = 0;  // of the page kept
};

struct CleanedPage {
    PageReport report;
    std::optional<PageBuffer> page;  // nullopt when dropped
};

// nullopt for a malformed page or when memory runs out.
std::optional<CleanedPage> CleanPage(const PageImage& page, const CleanupOptions& options);

}  // namespace vantrel::imaging::cleanup
