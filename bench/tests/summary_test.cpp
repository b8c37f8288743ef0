// Median and spread as the benchmark table reports them.
#include "bench/summary.h"

#include <gtest/gtest.h>

namespace bench {
namespace {

TEST(Summarize, MedianAndSpreadWhateverTheOrder) {
    struct Case {
        std::vector<double> samples;
        double median, low, high;
    };
    const Case cases[] = {
        {{5}, 5, 5, 5},
        {{3, 1, 2}, 2, 1, 3},
        {{4, 1, 3, 2}, 2.5, 1, 4},  // even count: the mean of the middle two
        {{7, 7, 1, 100, 7}, 7, 1, 100},
    };
    for (const Case& c : cases) {
        const Summary summary = Summarize(c.samples);
        EXPECT_EQ(summary.count, c.samples.size());
        EXPECT_DOUBLE_EQ(summary.median, c.median);
        EXPECT_DOUBLE_EQ(summary.low, c.low);
        EXPECT_DOUBLE_EQ(summary.high, c.high);
    }
}

TEST(Summarize, NoSamplesIsNoFigure) { EXPECT_EQ(Summarize({}).count, 0u); }

}  // namespace
}  // namespace bench
