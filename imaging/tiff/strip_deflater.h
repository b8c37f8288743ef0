// Adobe Deflate strips (TIFF Compression 8): each strip of rows its own zlib stream, optionally behind TIFF's
// horizontal differencing (Predictor 2).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <vector>

#include "imaging/page_image.h"

struct z_stream_s;

namespace vantrel::imaging::tiff {

// Predictor 2 for 8-bit samples: each sample less the same sample of the pixel to its left, modulo 256; the first
// pixel's samples stay as they are. `out` is as long as `row`.
void DifferenceRow(std::span<const std::uint8_t> row, std::uint32_t samplesPerPixel, std::span<std::uint8_t> out);

// Whether differencing makes the page's rows deflate smaller at `level`, judged on up to 64 KB of rows spread over
// the page, so the guess costs a fraction of the page's own compression. Never at level 0, which stores.
bool PredictorHelps(const PageImage& page, int level);

class StripDeflater {
public:
    // `level` 0..9; Ready() says whether zlib took it.
    explicit StripDeflater(int level);
    ~StripDeflater();
    StripDeflater(const StripDeflater&) = delete;
    StripDeflater& operator=(const StripDeflater&) = delete;

    bool Ready() const { return ready_; }

    // Compresses rows [first, first + count) of a Gray8 or Rgb24 page (each row's MinimumStride bytes, differenced
    // when `predict`) as one complete zlib stream, handed to `emit` in pieces of at most 64 KB. False on a zlib
    // failure or when `emit` refuses, after which nothing more is emitted.
    bool Compress(const PageImage& page, std::uint32_t first, std::uint32_t count, bool predict,
                  const std::function<bool(std::span<const std::uint8_t>)>& emit);

private:
    std::unique_ptr<z_stream_s> stream_;
    bool ready_ = false;
    std::vector<std::uint8_t> row_;
    std::vector<std::uint8_t> out_;
};

}  // namespace vantrel::imaging::tiff
