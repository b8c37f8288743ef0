// The page as the scanner's own compression sends it: drawn whole, then JPEG or Group 4 coded (pure logic).
#pragma once

#include "imaging/page_buffer.h"
#include "scanner/page_picture.h"
#include "scanner/scan_settings.h"

#include <cstdint>
#include <vector>

namespace vantrel::scanner {

// The page whole, in imaging's conventions (1 = black for black and white, 0 = black for grey); nullopt when it
// cannot be held in memory.
std::optional<imaging::PageBuffer> DrawPage(const PagePicture& picture, int width, int height, ColourMode mode, int xDpi, int yDpi);

// The page coded as its mode's compression (CodedCompression): a baseline JPEG at quality 85 (colour 4:2:0, grey one
// component) or Group 4 data ending in its end-of-block; the same pixels the uncompressed transfers send. Empty
// when the page cannot be held in memory.
std::vector<std::uint8_t> CodePage(const PagePicture& picture, int width, int height, ColourMode mode, int xDpi, int yDpi);

}  // namespace vantrel::scanner
