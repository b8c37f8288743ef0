// A page's rows as the samples PNG and PDF images store: greyscale where 0 is black, padding bits zero.
#pragma once

#include <cstdint>
#include <span>

#include "imaging/page_image.h"

namespace vantrel::imaging {

// IsWellFormed, and also refuses a stride so large that stride * (height - 1) wraps around: every Row()
// of an accepted page lies inside its pixels.
bool RowsAddressable(const PageImage& page);

// Bytes between a pixel and the one to its left as the row filters see it (1 for 1-bit pages).
std::uint32_t FilterBytesPerPixel(PixelFormat format);

// Writes row `y` of an addressable page into `out` (MinimumStride bytes). Black-and-white rows are
// inverted, since our 1 is black and a greyscale 1 is white; bits past the last pixel are cleared so the
// file does not depend on what the caller's padding held.
void SampleRow(const PageImage& page, std::uint32_t y, std::span<std::uint8_t> out);

}  // namespace vantrel::imaging
