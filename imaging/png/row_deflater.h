// A page's rows through zlib, handed out in bounded pieces so the compressed page is never held whole.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>

#include "imaging/page_image.h"

namespace vantrel::imaging {

struct RowDeflateOptions {
    int level = 6;                  // zlib level 0..9
    bool pngFilters = true;         // each row behind its adaptively chosen PNG filter type byte
    std::size_t pieceBytes = 65536;  // the largest piece handed to `emit`
};

// Compresses the samples of every row (SampleRow) into one zlib stream and hands it to `emit` in pieces of
// at most pieceBytes, in order. False on a page that is not addressable, a level outside 0..9, a zero piece
// size, a zlib failure, memory exhaustion, or when `emit` returns false (nothing more is emitted then).
bool DeflateRows(const PageImage& page, const RowDeflateOptions& options,
                 const std::function<bool(std::span<const std::uint8_t>)>& emit);

}  // namespace vantrel::imaging
