// Each step on its own input: the thresholds and rotations on the grey page, the rest on the ink or bits it needs.
#include "bench/cleanup/step_times.h"

#include "imaging/cleanup/border_crop.h"
#include "imaging/cleanup/clean_page.h"
#include "imaging/cleanup/despeckle.h"
#include "imaging/cleanup/rotate.h"
#include "imaging/document/document_page.h"

#include <chrono>

namespace bench {

using namespace vantrel::imaging;
using namespace vantrel::imaging::cleanup;

Summary Time(int runs, const std::function<void()>& work) {
    std::vector<double> samples;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        work();
        samples.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    return Summarize(samples);
}

PageBuffer SpeedPage() {
    const document::DocumentPlan plan{.width = 2480, .height = 3508, .dpi = 300, .content = document::Content::Text, .band = 5,
                                      .seed = 77, .skewDegrees = 3.1, .border = true, .specks = 20};
    auto page = PageBuffer::Make(plan.width, plan.height, PixelFormat::Gray8, plan.dpi, plan.dpi);
    const document::DocumentPicture picture(plan);
    for (std::uint32_t y = 0; y < plan.height; ++y) picture.GreyRow(y, page->Row(y));
    return std::move(*page);
}

std::vector<StepTime> TimeSteps(const PageImage& view, int runs) {
    const InkMask ink = InkOf(view, Binarization::Adaptive);
    const PageBuffer bits = *PageOfMask(ink, 300, 300);
    CleanupOptions all;
    all.skipBlank = all.deskew = all.crop = true;
    all.binarize = Binarization::Adaptive;
    all.despeckle = kDefaultSpeckPixels;
    return {
        {"adaptive threshold (Sauvola)", Time(runs, [&] { InkOf(view, Binarization::Adaptive); })},
        {"Otsu threshold", Time(runs, [&] { InkOf(view, Binarization::Otsu); })},
        {"skew search (on the threshold's ink)", Time(runs, [&] { FindSkew(ink, {}); })},
        {"rotation, bilinear", Time(runs, [&] { Rotate(view, 3.1, EdgeColour(view)); })},
        {"rotation, 1-bit", Time(runs, [&] { Rotate(bits.View(), 3.1, {255, 255, 255}); })},
        {"border crop", Time(runs, [&] { Crop(view, FindSheet(view)); })},
        {"blank test (on the threshold's ink)", Time(runs, [&] { MeasureInk(ink, 300, {}); })},
        {"despeckle, 1-bit", Time(runs, [&] { Despeckle(bits.View(), kDefaultSpeckPixels); })},
        {"whole clean-up (all five steps)", Time(runs, [&] { CleanPage(view, all); })},
    };
}

}  // namespace bench
