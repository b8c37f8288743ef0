// Reserving the address space below 4 GB, region by region as VirtualQuery finds it free.
#include "win32/low_memory.h"

#include <algorithm>
#include <cstdint>

namespace vantrel {

LowMemoryReservation LowMemoryReservation::ReserveAll() noexcept {
    LowMemoryReservation reservation;
#ifdef _WIN64
    constexpr ULONG_PTR kLimit = 0x100000000ull;
    constexpr ULONG_PTR kGranularity = 0x10000;  // reservations start at 64 KB boundaries
    try {
        MEMORY_BASIC_INFORMATION region;
        for (ULONG_PTR at = kGranularity; at < kLimit && ::VirtualQuery(reinterpret_cast<void*>(at), &region, sizeof region);
             at = reinterpret_cast<ULONG_PTR>(region.BaseAddress) + region.RegionSize) {
            if (region.State != MEM_FREE) continue;
            const ULONG_PTR start = (reinterpret_cast<ULONG_PTR>(region.BaseAddress) + kGranularity - 1) & ~(kGranularity - 1);
            const ULONG_PTR end = std::min(reinterpret_cast<ULONG_PTR>(region.BaseAddress) + region.RegionSize, kLimit);
            if (end <= start) continue;
            // Wine keeps some free-looking ranges for itself and refuses them: nothing is handed out there either.
            UniqueVirtualRegion reserved(::VirtualAlloc(reinterpret_cast<void*>(start), end - start, MEM_RESERVE, PAGE_NOACCESS));
            if (reserved) reservation.regions_.push_back(std::move(reserved));
        }
    } catch (...) {
        // Out of memory for the list: what was reserved stays reserved, the rest is left free.
    }
#endif
    return reservation;
}

UniqueGlobal AllocateAbove4GB(std::size_t bytes) noexcept {
    UniqueGlobal block(::GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, std::max(bytes, kOwnRegionBytes)));
    if (reinterpret_cast<std::uintptr_t>(block.get()) <= 0xFFFFFFFFu) return {};
    return block;
}

}  // namespace vantrel
