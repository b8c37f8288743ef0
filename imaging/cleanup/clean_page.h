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
#include <string_view>

namespace vantrel::imaging::cleanup {

// Specks of up to this many pixels go when despeckling is asked without a size (about 0.25 mm across at 300 dpi,
// smaller than a full stop).
inline constexpr std::uint32_t kDefaultSpeckPixels = 9;

// Steps the scanner did itself before the page came (ICAP_AUTODISCARDBLANKPAGES and the like): not done again here,
// only reported.
struct SourceSteps {
    bool blank = false, deskew = false, crop = false;
};

// Who drops blank pages, deskews and crops where the scanner can do it itself. Auto (the default): the scanner where
// it offers and takes the step, ours otherwise; Source: the scanner's or no scan; Ours: never asked.
enum class CleanupBy { Auto, Source, Ours };
std::optional<CleanupBy> CleanupByNamed(std::wstring_view name);  // "auto", "source", "ours", as every surface names them
const wchar_t* CleanupByName(CleanupBy by);

struct CleanupOptions {
    CleanupBy by = CleanupBy::Auto;
    SourceSteps bySource;
    bool skipBlank = false;
    BlankOptions blank;
    bool deskew = false;
    SkewOptions skew;
    bool crop = false;
    Binarization binarize = Binarization::None;
    std::uint32_t despeckle = 0;  // largest speck in pixels; 0: off. 1-bit pages only (binarized ones included)
};

// Whether we do any step ourselves; the scanner's own do not count.
bool AnyStep(const CleanupOptions& options);

enum class Doer { None, Ours, Source };
struct StepsBy {
    Doer blank = Doer::None, deskew = Doer::None, crop = Doer::None;
};
StepsBy WhoDoes(const CleanupOptions& options);
const char* DoerName(Doer doer);  // "ours", "source"; "" for None

struct PageReport {
    bool kept = true;           // false: dropped as blank
    double inkPercent = -1;     // measured when blank pages are skipped; -1 otherwise
    double skewDegrees = 0;     // the rotation undone (0 when below the minimum, not found or not asked)
    bool skewFound = false;
    StepsBy by;                 // who did the steps a scanner can do itself (the source's skew is not measured)
    std::uint32_t width = 0, height = 0;  // of the page kept
};

struct CleanedPage {
    PageReport report;
    std::optional<PageBuffer> page;  // nullopt when dropped
};

// nullopt for a malformed page or when memory runs out.
std::optional<CleanedPage> CleanPage(const PageImage& page, const CleanupOptions& options);

}  // namespace vantrel::imaging::cleanup
