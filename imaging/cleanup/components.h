// The 8-connected ink components of a mask, found over runs of ink with a union-find, so a page costs a pass over its
// rows and memory in proportion to its runs.
#pragma once

#include "imaging/cleanup/planes.h"

#include <cstdint>
#include <vector>

namespace vantrel::imaging::cleanup {

struct InkRun {
    std::uint32_t y, left, right;  // ink in [left, right) of row y
    std::uint32_t component;
};

struct Component {
    std::uint64_t area = 0;
    std::uint32_t left = UINT32_MAX, top = UINT32_MAX, right = 0, bottom = 0;  // inclusive bounds
};

struct Components {
    std::vector<InkRun> runs;
    std::vector<Component> list;  // indexed by InkRun::component
};

Components FindComponents(const InkMask& mask);

}  // namespace vantrel::imaging::cleanup
