// Skew measurement by projection profiles: the bottom edges of the ink projected along trial angles, the angle whose
// profile is sharpest (text baselines and the sheet's edges line up) found coarse to fine.
#pragma once

#include "imaging/cleanup/planes.h"

namespace vantrel::imaging::cleanup {

struct SkewOptions {
    double maxDegrees = 15;  // searched in [-max, max]
    // Below this the page is left as it is: the search's own error is about 0.02 degrees, and a rotation by less
    // than 0.05 degrees moves no pixel by more than 2 on an A4 page at 300 dpi.
    double minDegrees = 0.05;
};

struct SkewEstimate {
    double degrees = 0;  // positive when the lines rise to the right; the page is rotated by -degrees to fix it
    bool found = false;  // false for a page without enough lined-up ink (blank, a photo): degrees then 0
};

SkewEstimate FindSkew(const InkMask& ink, const SkewOptions& options);

}  // namespace vantrel::imaging::cleanup
