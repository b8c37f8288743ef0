// The fuzz targets' one assertion: a broken property aborts, so libFuzzer keeps the input that broke it.
#pragma once

#include <cstdlib>

namespace vantrel::imaging::testing {

inline void Require(bool holds) {
    if (!holds) std::abort();
}

}  // namespace vantrel::imaging::testing
