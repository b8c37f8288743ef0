// Blank-page detection: the share of the page that is ink, not counting a margin along the edges, specks, punch
// holes and anything touching the edge (the feeder's background), against a threshold in percent.
#pragma once

#include "imaging/cleanup/planes.h"

namespace vantrel::imaging::cleanup {

struct BlankOptions {
    // A page whose only content is a page number of about 10 points (some 0.005 %) still counts as content;
    // a blank side with faint noise, specks and punch holes measures 0.
    double thresholdPercent = 0.002;
    double marginMm = 10;     // ignored along every edge (7 % of the side without a resolution)
    double speckMm2 = 0.3;    // components smaller than this are dust, not content
};

struct InkMeasure {
    double inkPercent = 0;  // of the area inside the margin
    bool blank = false;     // inkPercent below the threshold
};

// The ink of `ink` (at the page's resolution) measured as above.
InkMeasure MeasureInk(const InkMask& ink, double dpi, const BlankOptions& options);

}  // namespace vantrel::imaging::cleanup
