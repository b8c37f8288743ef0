// The ICC profiles we ship, made by our own code from their published definitions (see the README).
#pragma once

#include <cstdint>
#include <vector>

namespace vantrel::imaging::icc {

// sRGB (IEC 61966-2-1): its primaries adapted from D65 to the D50 PCS (Bradford), its tone curve as a table.
const std::vector<std::uint8_t>& SrgbProfile();
// Grey: the sRGB tone curve and the D50 white, for grey and black-and-white pages.
const std::vector<std::uint8_t>& GreyProfile();

}  // namespace vantrel::imaging::icc
