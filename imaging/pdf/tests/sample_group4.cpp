// The Group 4 encoder for the PDF samples.
#include "imaging/g4/group4_encoder.h"
#include "imaging/pdf/tests/sample_encoders.h"

namespace vantrel::imaging::testing {

std::optional<std::vector<std::uint8_t>> SampleGroup4(const PageImage& page) { return EncodeGroup4(page); }

}  // namespace vantrel::imaging::testing
