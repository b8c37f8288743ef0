// The other helpers' encoders as the PDF samples use them; each is built in only when its library exists.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "imaging/page_image.h"

namespace vantrel::imaging::testing {

// Baseline JPEG bytes for the page, or nullopt when the JPEG encoder is not part of this build.
std::optional<std::vector<std::uint8_t>> SampleJpeg(const PageImage& page);

// CCITT Group 4 bytes for a 1-bit page, or nullopt when the Group 4 encoder is not part of this build.
std::optional<std::vector<std::uint8_t>> SampleGroup4(const PageImage& page);

}  // namespace vantrel::imaging::testing
