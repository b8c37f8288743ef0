// The steps in their order, each on the previous one's result.
#include "imaging/cleanup/clean_page.h"

#include "imaging/cleanup/border_crop.h"
#include "imaging/cleanup/despeckle.h"
#include "imaging/cleanup/rotate.h"

#include <utility>

namespace vantrel::imaging::cleanup {

bool AnyStep(const CleanupOptions& options) {
    return options.skipBlank || options.deskew || options.crop || options.binarize != Binarization::None ||
           options.despeckle > 0;
}

std::optional<CleanupBy> CleanupByNamed(std::wstring_view name) {
    for (const CleanupBy by : {CleanupBy::Auto, CleanupBy::Source, CleanupBy::Ours})
        if (name == CleanupByName(by)) return by;
    return std::nullopt;
}

const wchar_t* CleanupByName(CleanupBy by) {
    return by == CleanupBy::Source ? L"source" : by == CleanupBy::Ours ? L"ours" : L"auto";
}

StepsBy WhoDoes(const CleanupOptions& options) {
    const auto who = [](bool source, bool ours) { return source ? Doer::Source : ours ? Doer::Ours : Doer::None; };
    return {who(options.bySource.blank, options.skipBlank), who(options.bySource.deskew, options.deskew),
            who(options.bySource.crop, options.crop)};
}

const char* DoerName(Doer doer) { return doer == Doer::Source ? "source" : doer == Doer::Ours ? "ours" : ""; }

std::optional<CleanedPage> CleanPage(const PageImage& input, const CleanupOptions& options) {
    if (!IsWellFormed(input)) return std::nullopt;
    CleanedPage result;
    result.report.by = WhoDoes(options);
    std::optional<PageBuffer> current = CopyPage(input);
    if (!current) return std::nullopt;
    if (options.deskew) {
        const SkewEstimate skew = FindSkew(InkOf(current->View(), Binarization::Adaptive), options.skew);
        result.report.skewFound = skew.found;
        result.report.skewDegrees = skew.degrees;
        if (skew.degrees != 0) {
            current = Rotate(current->View(), skew.degrees, EdgeColour(current->View()));
            if (!current) return std::nullopt;
        }
    }
    if (options.crop) {
        current = Crop(current->View(), FindSheet(current->View()));
        if (!current) return std::nullopt;
    }
    // The blank test always reads the adaptive threshold's ink: Otsu splits a blank page's noise in two.
    std::optional<InkMask> ink;
    if (options.skipBlank || options.binarize == Binarization::Adaptive) ink = InkOf(current->View(), Binarization::Adaptive);
    if (options.skipBlank) {
        const InkMeasure measure = MeasureInk(*ink, current->View().yDpi, options.blank);
        result.report.inkPercent = measure.inkPercent;
        if (measure.blank) {
            result.report.kept = false;
            return result;
        }
    }
    if (options.binarize != Binarization::None && current->View().format != PixelFormat::BlackWhite1) {
        if (options.binarize == Binarization::Otsu) ink = InkOf(current->View(), Binarization::Otsu);
        current = PageOfMask(*ink, current->View().xDpi, current->View().yDpi);
        if (!current) return std::nullopt;
    }
    if (options.despeckle > 0 && current->View().format == PixelFormat::BlackWhite1) {
        current = Despeckle(current->View(), options.despeckle);
        if (!current) return std::nullopt;
    }
    result.report.width = current->View().width;
    result.report.height = current->View().height;
    result.page = std::move(current);
    return result;
}

}  // namespace vantrel::imaging::cleanup
