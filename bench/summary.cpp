// Median and spread of a set of samples.
#include "bench/summary.h"

#include <algorithm>

namespace bench {

Summary Summarize(std::vector<double> samples) {
    Summary summary;
    summary.count = samples.size();
    if (samples.empty()) return summary;
    std::sort(samples.begin(), samples.end());
    const std::size_t middle = samples.size() / 2;
    summary.median = samples.size() % 2 ? samples[middle] : (samples[middle - 1] + samples[middle]) / 2;
    summary.low = samples.front();
    summary.high = samples.back();
    return summary;
}

}  // namespace bench
