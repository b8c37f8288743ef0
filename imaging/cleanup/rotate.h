// Rotation about the page's centre into a page of the same size and resolution: bilinear for grey and colour,
// nearest pixel for 1-bit pages (which stay crisp), the uncovered corners filled with the page's edge colour.
#pragma once

#include "imaging/page_buffer.h"

#include <array>
#include <cstdint>
#include <optional>

namespace vantrel::imaging::cleanup {

using Colour = std::array<std::uint8_t, 3>;  // R, G, B; grey pages use the first; 1-bit pages: ink below 128

// The median of each channel over the outermost rows and columns: the feeder's background, or the paper.
Colour EdgeColour(const PageImage& page);

// The page turned by `degrees` clockwise (what undoes a skew of that many degrees counter-clockwise).
std::optional<PageBuffer> Rotate(const PageImage& page, double degrees, Colour fill);

}  // namespace vantrel::imaging::cleanup
