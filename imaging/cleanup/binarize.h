// Grey or colour pages into ink and paper: Sauvola's local threshold, which follows uneven illumination and shaded
// backgrounds, or Otsu's single global threshold.
#pragma once

#include "imaging/cleanup/planes.h"

#include <cstdint>

namespace vantrel::imaging::cleanup {

enum class Binarization : std::uint8_t { None, Adaptive, Otsu };

struct SauvolaOptions {
    std::uint32_t halfWindow = 15;  // the window is 2 * halfWindow + 1 pixels square (at 300 dpi; scaled with it)
    double k = 0.35;
    // Pixels darker than this are ink whatever their neighbourhood: inside a large black area the local deviation
    // vanishes and Sauvola alone would open holes in it.
    std::uint8_t alwaysInk = 64;
};

// Ink where a pixel is at most mean * (1 + k * (deviation / 128 - 1)) of the window around it. The window's sums
// come from running column sums, the integral image cut to one row band, so the memory stays a few rows.
InkMask SauvolaMask(const GreyPlane& grey, const SauvolaOptions& options);
// Otsu's threshold of the whole page's histogram; ink at or below it.
std::uint8_t OtsuThreshold(const GreyPlane& grey);
InkMask OtsuMask(const GreyPlane& grey);

// The window for a resolution: the default's 31 pixels at 300 dpi, proportionally, at least 7.
SauvolaOptions SauvolaFor(double dpi);
// The ink of any page: a 1-bit page's bits, else the chosen threshold (Adaptive when None is asked).
InkMask InkOf(const PageImage& page, Binarization method);

}  // namespace vantrel::imaging::cleanup
