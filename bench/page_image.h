// Scanned pages as a source hands them over: packed 24-bit DIBs in movable global blocks.
#pragma once

#include "win32/win32_owners.h"

#include <cstddef>
#include <cstdint>
#include <span>

namespace bench {

struct Page {
    const char* name;
    std::int32_t width;
    std::int32_t height;
};

// A4 in colour at four resolutions: about 1, 10, 100 and 400 MB.
inline constexpr Page kPages[] = {
    {"A4 colour 60 dpi", 496, 702},
    {"A4 colour 190 dpi", 1571, 2222},
    {"A4 colour 600 dpi", 4960, 7016},
    {"A4 colour 1200 dpi", 9920, 14032},
};

// Bytes of the packed DIB: the 40-byte information header and the padded rows.
std::size_t DibBytes(const Page& page);

// Writes the page's DIB (header and a pattern of pixels) into `dib`, which holds DibBytes(page).
void FillDib(const Page& page, std::span<std::uint8_t> dib);

// A movable block holding the page's DIB with every page touched, as a driver leaves it.
// Empty when memory runs out.
vantrel::UniqueGlobal MakeDibBlock(const Page& page);

}  // namespace bench
