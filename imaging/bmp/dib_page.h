// Turning the packed DIB of a native transfer into a top-down page the image writers take.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "imaging/page_buffer.h"

namespace vantrel::imaging {

// Reads a packed DIB (BITMAPINFOHEADER or a longer V2..V5 header, or an OS/2 core header; optional
// BI_BITFIELDS masks; colour table; pixels bottom-up, or top-down for a negative height) into a page:
// - 1 bit with one entry black and the other white: BlackWhite1, with 1 = black whichever index is black;
// - 1, 4 or 8 bits whose every table entry is grey: Gray8;
// - 24 bits, and any other table, 16 and 32 bits (masks honoured, alpha dropped): Rgb24.
// Indices past the table read as black. A 1-bit DIB with biClrUsed 0 whose block holds exactly the
// header and the rows has no table (as some drivers send it): 0 is black, 1 white. The resolution comes from biXPelsPerMeter/biYPelsPerMeter:
// whole dots per inch when that whole number gives the same pixels per metre (11811 is 300 dpi), else
// to two decimals; 0 when the DIB gives none. Nullopt for anything it cannot read without reading past
// the block, for RLE, JPEG and PNG DIBs, and when the page cannot be held in memory.
std::optional<PageBuffer> PageFromDib(std::span<const std::uint8_t> block);

// Dots per inch for a DIB's pixels per metre, rounded as PageFromDib does; 0 for 0 or a negative value.
double DpiFromPelsPerMeter(std::int32_t pelsPerMeter);

}  // namespace vantrel::imaging
