// The clean-up's steps timed on one A4 300 dpi grey text page (askew, on the feeder's border, with specks), shared by
// the native comparison with Leptonica and the Windows builds' run under Wine.
#pragma once

#include "bench/summary.h"
#include "imaging/page_buffer.h"

#include <functional>
#include <vector>

namespace bench {

// `work` run `runs` times: the median and the spread, in seconds.
Summary Time(int runs, const std::function<void()>& work);

// The page every step is timed on.
vantrel::imaging::PageBuffer SpeedPage();

struct StepTime {
    const char* step;
    Summary time;
};
// Each step alone, then the whole clean-up (all five steps) last.
std::vector<StepTime> TimeSteps(const vantrel::imaging::PageImage& page, int runs);

}  // namespace bench
