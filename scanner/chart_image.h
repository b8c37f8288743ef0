// The test chart as a packed DIB in a movable global block, with its label drawn by GDI.
#pragma once

#include "owners.h"
#include "scan_settings.h"

#include <functional>

namespace vantrel::scanner {

// Called with 0..100 as the image takes shape.
using ProgressReport = std::function<void(int percent)>;

// A GHND block holding the packed DIB of the chart for `settings`, ready to be handed to the
// application; empty when memory or GDI fails.
UniqueGlobal MakeChartDib(const ScanSettings& settings, const ProgressReport& progress);

}  // namespace vantrel::scanner
