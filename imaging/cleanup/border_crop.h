// Border crop: the feeder's background (darker or lighter than the paper) around the sheet cut away, the page cut
// to the sheet's edges. Rows and columns are background from the edge inward while nearly all their pixels are
// closer to the background's level than to the paper's.
#pragma once

#include "imaging/page_buffer.h"

#include <cstdint>
#include <optional>

namespace vantrel::imaging::cleanup {

struct SheetBox {
    std::uint32_t left = 0, top = 0, right = 0, bottom = 0;  // [left, right) x [top, bottom)
};

// The sheet inside the page; the whole page when its edges are not clearly unlike the paper.
SheetBox FindSheet(const PageImage& page);
std::optional<PageBuffer> Crop(const PageImage& page, SheetBox box);

}  // namespace vantrel::imaging::cleanup
