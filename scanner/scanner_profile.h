// The colour profile the sample scanner gives for its colour pages (VANTREL_SCANNER_ICC=1): its own, unlike sRGB,
// so a test can tell it travelled from the source into the files rather than being stated there.
#pragma once

#include <cstdint>
#include <vector>

namespace vantrel::scanner {

// A version 2 RGB display profile with Adobe RGB (1998)'s primaries (adapted to D50), a 2.2 gamma and the description
// "Vantrel sample scanner".
const std::vector<std::uint8_t>& ScannerProfile();

}  // namespace vantrel::scanner
