// What the benchmark measures of the engine's batches.
#pragma once

#include "bench/measurements.h"

#include <string>

namespace bench {

// The batch loop's own time per page, from the source's end of one transfer to our next request.
std::vector<Row> MeasureBatchLoop(const Plan& plan);
// Peak memory of a 50-page batch against a 1-page batch, and of a 100 MB page by memory against native transfer.
std::vector<Row> MeasureBatchMemory(const Plan& plan);

// The child's side: one batch from the sample scanner's feeder; prints its pages and peak memory.
int BatchChild(int pages, int dpi, const std::wstring& mode, const std::wstring& transfer);

}  // namespace bench
