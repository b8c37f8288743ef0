// A 5 x 7 pixel font for the text the pages carry, so pages are drawn row by row without GDI (pure logic).
#pragma once

#include <array>
#include <cstdint>

namespace vantrel::imaging::document {

inline constexpr int kGlyphWidth = 5;
inline constexpr int kGlyphHeight = 7;
// Each glyph sits in a cell one column and one row larger, which spaces letters and lines.
inline constexpr int kCellWidth = kGlyphWidth + 1;
inline constexpr int kCellHeight = kGlyphHeight + 1;

// The rows of `c` from the top, the leftmost pixel in bit 4. Lower case is drawn as upper case;
// characters the font lacks come out blank.
std::array<std::uint8_t, kGlyphHeight> GlyphRows(char c);

}  // namespace vantrel::imaging::document
