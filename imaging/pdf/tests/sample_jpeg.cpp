// The JPEG encoder for the PDF samples.
#include "imaging/jpeg/jpeg_encoder.h"
#include "imaging/pdf/tests/sample_encoders.h"

namespace vantrel::imaging::testing {

std::optional<std::vector<std::uint8_t>> SampleJpeg(const PageImage& page) { return EncodeJpeg(page, 85); }

}  // namespace vantrel::imaging::testing
