// The DSM's entry point and memory functions, or their TWAIN 1.x stand-ins.
#include "scanner/dsm_link.h"

#include "win32/low_memory.h"

#include <cstring>

namespace vantrel::scanner {

using namespace twain;

bool DsmLink::Adopt(const TW_ENTRYPOINT& entry) {
    if (entry.Size < sizeof(TW_ENTRYPOINT) || !entry.DSM_Entry || !entry.DSM_MemAllocate || !entry.DSM_MemFree ||
        !entry.DSM_MemLock || !entry.DSM_MemUnlock)
        return false;
    entry_ = entry;
    return true;
}

DSMENTRYPROC DsmLink::Entry() const noexcept {
    if (entry_.DSM_Entry) return entry_.DSM_Entry;
    HMODULE dsm = ::GetModuleHandleW(L"twain_32.dll");
    if (!dsm) return nullptr;
    return reinterpret_cast<DSMENTRYPROC>(reinterpret_cast<void*>(::GetProcAddress(dsm, "DSM_Entry")));
}

TW_HANDLE DsmLink::Allocate(std::size_t bytes) const noexcept {
    if (!hasMemoryFunctions() && above4GB_) {
        return static_cast<TW_HANDLE>(reinterpret_cast<UINT_PTR>(AllocateAbove4GB(bytes).release()));
    }
    if (!hasMemoryFunctions()) {
        return static_cast<TW_HANDLE>(reinterpret_cast<UINT_PTR>(::GlobalAlloc(GHND, bytes)));
    }
    const TW_HANDLE handle = entry_.DSM_MemAllocate(static_cast<TW_UINT32>(bytes));
    if (!handle) return 0;
    // Zero-filled like GHND, so no stale bytes reach the application.
    if (void* memory = FromTwain<void*>(entry_.DSM_MemLock(handle))) {
        std::memset(memory, 0, bytes);
        entry_.DSM_MemUnlock(handle);
        return handle;
    }
    entry_.DSM_MemFree(handle);
    return 0;
}

void DsmLink::Free(TW_HANDLE handle) const noexcept {
    if (hasMemoryFunctions()) {
        entry_.DSM_MemFree(handle);
        return;
    }
    ::GlobalFree(FromTwain<HGLOBAL>(handle));
}

void* DsmLink::Lock(TW_HANDLE handle) const noexcept {
    if (hasMemoryFunctions()) return FromTwain<void*>(entry_.DSM_MemLock(handle));
    return ::GlobalLock(FromTwain<HGLOBAL>(handle));
}

void DsmLink::Unlock(TW_HANDLE handle) const noexcept {
    if (hasMemoryFunctions()) {
        entry_.DSM_MemUnlock(handle);
        return;
    }
    ::GlobalUnlock(FromTwain<HGLOBAL>(handle));
}

}  // namespace vantrel::scanner
