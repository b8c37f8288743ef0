// No JPEG encoder in this build: the PDF samples use Flate for every page.
#include "imaging/pdf/tests/sample_encoders.h"

namespace vantrel::imaging::testing {

std::optional<std::vector<std::uint8_t>> SampleJpeg(const PageImage&) { return std::nullopt; }

}  // namespace vantrel::imaging::testing
