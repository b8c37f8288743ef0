// Decoding CCITT Group 4 (T.6) data back into a 1-bit page: to check a scanner's coded page, or to change it.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "imaging/page_buffer.h"

namespace vantrel::imaging {

// Decodes `height` rows of `width` pixels coded as EncodeGroup4 codes them (no EOLs between rows, 1 = black in the
// page); after the last row only an end-of-facsimile-block and zero fill bits may follow. Nullopt when the data
// ends before the last row or goes on past it, holds a code that is none, or places a change outside the row or
// before one already made, so a stream that was cut, damaged or made for another size is never taken for the page.
std::optional<PageBuffer> DecodeGroup4(std::span<const std::uint8_t> coded, std::uint32_t width, std::uint32_t height);

}  // namespace vantrel::imaging
