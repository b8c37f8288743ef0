// The one seam to the Data Source Manager: loading it, calling it, and its memory.
#include "engine/dsm_link.h"

namespace vantrel {

using namespace twain;

namespace {

HGLOBAL AsGlobal(TW_HANDLE handle) noexcept { return reinterpret_cast<HGLOBAL>(static_cast<std::uintptr_t>(handle)); }

}  // namespace

bool DsmLink::Bind(DsmChoice choice) {
    static constexpr const char* kClassic[] = {"Twain_32.dll"};
    static constexpr const char* kCurrent[] = {"TWAINDSM.dll", "Twain_32.dll"};
    const std::span<const char* const> names = choice == DsmChoice::Classic ? std::span<const char* const>(kClassic)
                                                                             : std::span<const char* const>(kCurrent);
    for (const char* name : names) {
        UniqueModule library(::LoadLibraryA(name));
        if (!library) continue;
        auto entry = reinterpret_cast<DSMENTRYPROC>(reinterpret_cast<void*>(::GetProcAddress(library.get(), "DSM_Entry")));
        if (!entry) continue;
        library_ = std::move(library);
        entry_ = entry;
        return true;
    }
    return false;
}

void DsmLink::Release() noexcept {
    entry_ = nullptr;
    allocate_ = nullptr;
    free_ = nullptr;
    lock_ = nullptr;
    unlock_ = nullptr;
    library_.reset();
}

TW_UINT16 DsmLink::Call(TW_IDENTITY& appIdentity, TW_IDENTITY* destination, TW_UINT32 dg, TW_UINT16 dat,
                        TW_UINT16 msg, void* data) const {
    if (!entry_) return TWRC_FAILURE;
    TW_IDENTITY scratch = appIdentity;
    const TW_UINT16 rc = entry_(&scratch, destination, dg, dat, msg, data);
    appIdentity = scratch;
    return rc;
}

bool DsmLink::AdoptEntryPoints(const TW_ENTRYPOINT& entry) noexcept {
    if (!entry_ || !entry.DSM_Entry || !entry.DSM_MemAllocate || !entry.DSM_MemFree || !entry.DSM_MemLock ||
        !entry.DSM_MemUnlock)
        return false;
    entry_ = entry.DSM_Entry;
    allocate_ = entry.DSM_MemAllocate;
    free_ = entry.DSM_MemFree;
    lock_ = entry.DSM_MemLock;
    unlock_ = entry.DSM_MemUnlock;
    return true;
}

TW_HANDLE DsmLink::Allocate(std::uint32_t size) const noexcept {
    if (allocate_) return allocate_(size);
    return static_cast<TW_HANDLE>(reinterpret_cast<std::uintptr_t>(::GlobalAlloc(GHND, size)));
}

void DsmLink::Free(TW_HANDLE handle) const noexcept {
    if (!handle) return;
    if (free_) free_(handle);
    else ::GlobalFree(AsGlobal(handle));
}

void* DsmLink::Lock(TW_HANDLE handle) const noexcept {
    if (!handle) return nullptr;
    if (lock_) return reinterpret_cast<void*>(static_cast<std::uintptr_t>(lock_(handle)));
    return ::GlobalLock(AsGlobal(handle));
}

void DsmLink::Unlock(TW_HANDLE handle) const noexcept {
    if (!handle) return;
    if (unlock_) unlock_(handle);
    else ::GlobalUnlock(AsGlobal(handle));
}

std::size_t DsmLink::SizeOf(TW_HANDLE handle) const noexcept {
    // The DSM's memory functions offer no size; on Windows they hand out global blocks, whose
    // size GlobalSize knows. A handle it does not know gives 0, and nothing is read.
    return handle ? ::GlobalSize(AsGlobal(handle)) : 0;
}

}  // namespace vantrel
