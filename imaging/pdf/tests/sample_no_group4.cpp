// No Group 4 encoder in this build: the PDF samples use Flate for every 1-bit page.
#include "imaging/pdf/tests/sample_encoders.h"

namespace vantrel::imaging::testing {

std::optional<std::vector<std::uint8_t>> SampleGroup4(const PageImage&) { return std::nullopt; }

}  // namespace vantrel::imaging::testing
