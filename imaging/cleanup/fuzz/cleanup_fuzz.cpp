// libFuzzer target: every clean-up step, in the pipeline and alone, on pages of random size, format, resolution and
// content under ASan and UBSan. Whatever the page, nothing is read or written outside it, the resolution stays,
// a kept page fits in the input, and binarized pages come out 1-bit.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "imaging/cleanup/border_crop.h"
#include "imaging/cleanup/clean_page.h"
#include "imaging/cleanup/despeckle.h"
#include "imaging/cleanup/rotate.h"
#include "imaging/tests/fuzz_require.h"

using namespace vantrel::imaging;
using namespace vantrel::imaging::cleanup;
using vantrel::imaging::testing::Require;

// Input: width, height (1..96 each, so a million pages take minutes), format, resolution choice, the steps as bits, the speck size, an angle byte,
// then pixel bytes repeated over the page (padding included).
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 8) return 0;
    const std::uint32_t width = 1 + data[0] % 96u, height = 1 + data[1] % 96u;
    const auto format = static_cast<PixelFormat>(data[2] % 3);
    const double dpi = (data[3] % 4) * 100.0;  // 0: none given
    const std::uint64_t stride = MinimumStride(format, width) + data[3] / 64;
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(stride * height));
    for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = size > 8 ? data[8 + i % (size - 8)] : 0;
    const PageImage page{width, height, format, stride, dpi, dpi, pixels};
    const std::uint8_t steps = data[4];
    const CleanupOptions options{.skipBlank = (steps & 1) != 0, .blank = {.thresholdPercent = data[5] / 16.0},
                                 .deskew = (steps & 2) != 0, .crop = (steps & 4) != 0,
                                 .binarize = static_cast<Binarization>((steps >> 3) % 3), .despeckle = data[5] % 20u};
    const auto cleaned = CleanPage(page, options);
    Require(cleaned.has_value());
    Require(cleaned->report.kept == cleaned->page.has_value());
    if (cleaned->page) {
        const PageImage out = cleaned->page->View();
        Require(IsWellFormed(out) && out.width <= width && out.height <= height && out.xDpi == dpi);
        Require(out.format == (options.binarize == Binarization::None ? format : PixelFormat::BlackWhite1));
    }
    const auto turned = Rotate(page, (static_cast<int>(data[6]) - 128) * 0.7, EdgeColour(page));
    Require(turned && turned->View().width == width && turned->View().format == format);
    const SheetBox box = FindSheet(page);
    Require(box.left < box.right && box.right <= width && box.top < box.bottom && box.bottom <= height);
    Require(Crop(page, box).has_value());
    if (format == PixelFormat::BlackWhite1) Require(Despeckle(page, data[7]).has_value());
    return 0;
}
