// Writing one page as a BMP file: 1-bit with a black-and-white table, 8-bit grey, 24-bit colour.
#pragma once

#include <cstdint>

#include "imaging/byte_sink.h"
#include "imaging/page_image.h"

namespace vantrel::imaging {

// Pixels per metre for a resolution, rounded; an axis without one (0, negative, not a number) takes the
// other's, and 0 when neither has one or the value does not fit.
std::int32_t PelsPerMeter(double dpi, double otherDpi);

// Writes BITMAPFILEHEADER, BITMAPINFOHEADER, the table (2 entries: 0 white, 1 black, as the page's bits
// are; or a 256-step grey ramp) and the rows bottom-up, each padded to 4 bytes with zeros (padding bits
// of 1-bit rows cleared). False, with the sink's content undefined, for a page that is not well-formed,
// a file past 2 GiB - 1 (many readers take bfSize as signed) or a failing sink.
bool WriteBmp(const PageImage& page, ByteSink& sink);

}  // namespace vantrel::imaging
