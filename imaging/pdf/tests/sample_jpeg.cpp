// The JPEG encoder for the PDF samples.
#include "jpeg_encoder.h"
#include "sample_encoders.h"

namespace vantrel::imaging::testing {

std::optional<std::vector<std::uint8_t>> SampleJpeg(const PageImage& page) { return EncodeJpeg(page, 85); }

}  // namespace vantrel::imaging::testing
