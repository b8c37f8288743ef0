// Writing one page as a PNG file: greyscale 1 and 8 bit, RGB 8 bit, non-interlaced.
#pragma once

#include <cstdint>
#include <optional>

#include "imaging/byte_sink.h"
#include "imaging/page_image.h"

namespace vantrel::imaging {

struct PngOptions {
    int zlibLevel = 6;  // 0..9; 6 is the usual trade-off, 1 is faster and larger
};

struct PixelsPerMetre {
    std::uint32_t x = 0;
    std::uint32_t y = 0;
};

// The pHYs density for a page's resolution, rounded to whole pixels per metre. An axis without a resolution
// (0, negative or not a number) takes the other's; none when neither has one or a value does not fit
// PNG's 31-bit integers, in which case the file says nothing about its density.
std::optional<PixelsPerMetre> PngDensity(double xDpi, double yDpi);

// Writes the page onto the sink: signature, IHDR, iCCP (the page's profile, when EmbeddableProfile keeps it), pHYs (when PngDensity gives one), IDAT chunks of at most
// 64 KB each and IEND. False, with the sink's content undefined, on a page that is not well-formed or
// exceeds PNG's 2^31 - 1 pixels per side, a zlib level outside 0..9, or a failing sink.
bool WritePng(const PageImage& page, ByteSink& sink, PngOptions options = {});

}  // namespace vantrel::imaging
