// Memory above 4 GB on request: how a 64-bit program shows another module that no handle or
// pointer it gets fits in 32 bits.
#pragma once

#include "win32/win32_owners.h"

#include <cstddef>
#include <vector>

namespace vantrel {

// Every free region below 4 GB, reserved for the owner's lifetime, so the process's later
// large blocks (its own and every other module's) land above. Small blocks still come from
// heap space already committed below. Reserves nothing in a 32-bit process.
class LowMemoryReservation {
public:
    LowMemoryReservation() = default;
    static LowMemoryReservation ReserveAll() noexcept;
    std::size_t regions() const noexcept { return regions_.size(); }

private:
    std::vector<UniqueVirtualRegion> regions_;
};

// The smallest block Wine's heap places in a region of its own rather than in heap space already
// there (measured: 512 KB still low, 1 MB high), so a block at least this size lands above 4 GB.
inline constexpr std::size_t kOwnRegionBytes = 1 << 20;

// A zeroed GMEM_FIXED block of at least `bytes` (kOwnRegionBytes at least, which GlobalSize then
// reports: Wine will not shrink it in place): a movable block's handle comes from a table Wine
// keeps low, a fixed block is its own address. Empty when memory ran out or the block still
// landed below 4 GB (no reservation held, or a 32-bit process).
UniqueGlobal AllocateAbove4GB(std::size_t bytes) noexcept;

}  // namespace vantrel
