// Repeated measurements reduced to what the table shows: the median and the spread.
#pragma once

#include <cstddef>
#include <vector>

namespace bench {

struct Summary {
    double median = 0;
    double low = 0;   // smallest sample
    double high = 0;  // largest sample
    std::size_t count = 0;
};

// An empty set gives a Summary with count 0.
Summary Summarize(std::vector<double> samples);

}  // namespace bench
