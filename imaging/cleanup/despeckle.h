// Despeckle: isolated specks of ink (components of at most a given number of pixels) removed from 1-bit pages.
#pragma once

#include "imaging/cleanup/planes.h"

#include <cstdint>
#include <optional>

namespace vantrel::imaging::cleanup {

// The pixels removed.
std::uint64_t RemoveSpecks(InkMask& mask, std::uint32_t maxArea);
// A 1-bit page without its specks; nullopt for another format or without memory.
std::optional<PageBuffer> Despeckle(const PageImage& page, std::uint32_t maxArea);

}  // namespace vantrel::imaging::cleanup
