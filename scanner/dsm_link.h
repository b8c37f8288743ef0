// What the source holds of the DSM: its entry point (for notices) and, from a TWAIN 2 DSM, its memory functions.
#pragma once

#include "scanner/twain_source_records.h"

#include <windows.h>

#include <cstddef>

namespace vantrel::scanner {

// Handles, pointers and window handles travel as pointer-sized numbers in the TWAIN records.
template <typename Handle>
Handle FromTwain(twain::TW_HANDLE value) {
    return reinterpret_cast<Handle>(static_cast<UINT_PTR>(value));
}

class DsmLink {
public:
    // DAT_ENTRYPOINT MSG_SET from a TWAIN 2 DSM; false (nothing kept) when the record is short
    // or lacks a function.
    bool Adopt(const twain::TW_ENTRYPOINT& entry);
    void Forget() noexcept { entry_ = {}; }

    bool hasMemoryFunctions() const noexcept { return entry_.DSM_MemAllocate != nullptr; }

    // Blocks of our own (no DSM functions) as fixed blocks above 4 GB, or none: a block that
    // still lands below is freed and the allocation fails, so nothing low reaches the application.
    void PlaceAbove4GB(bool above) noexcept { above4GB_ = above; }

    // The DSM to send DAT_NULL notices through: the entry point DAT_ENTRYPOINT gave, else the
    // DSM_Entry export of the twain_32.dll loaded in this process; null when there is neither
    // (the source was loaded by something that is no DSM).
    twain::DSMENTRYPROC Entry() const noexcept;

    // Memory the application will own or free: through the DSM's functions when it gave them
    // (TWAIN 2 requires it), else a zero-filled global block (movable unless placed above 4 GB).
    // 0 on failure.
    twain::TW_HANDLE Allocate(std::size_t bytes) const noexcept;
    void Free(twain::TW_HANDLE handle) const noexcept;
    void* Lock(twain::TW_HANDLE handle) const noexcept;
    void Unlock(twain::TW_HANDLE handle) const noexcept;

private:
    twain::TW_ENTRYPOINT entry_{};
    bool above4GB_ = false;
};

// A block allocated through the link, freed unless released to the application.
class DsmBlock {
public:
    DsmBlock(const DsmLink& link, std::size_t bytes) noexcept : link_(link), handle_(link.Allocate(bytes)) {}
    DsmBlock(const DsmBlock&) = delete;
    DsmBlock& operator=(const DsmBlock&) = delete;
    ~DsmBlock() {
        if (handle_) link_.Free(handle_);
    }
    explicit operator bool() const noexcept { return handle_ != 0; }
    twain::TW_HANDLE get() const noexcept { return handle_; }
    twain::TW_HANDLE release() noexcept {
        const twain::TW_HANDLE handle = handle_;
        handle_ = 0;
        return handle;
    }

private:
    const DsmLink& link_;
    twain::TW_HANDLE handle_;
};

// A block locked through the link for the owner's lifetime.
class DsmLock {
public:
    DsmLock(const DsmLink& link, twain::TW_HANDLE handle) noexcept
        : link_(link), handle_(handle), pointer_(handle ? link.Lock(handle) : nullptr) {}
    DsmLock(const DsmLock&) = delete;
    DsmLock& operator=(const DsmLock&) = delete;
    ~DsmLock() {
        if (pointer_) link_.Unlock(handle_);
    }
    explicit operator bool() const noexcept { return pointer_ != nullptr; }
    void* get() const noexcept { return pointer_; }

private:
    const DsmLink& link_;
    twain::TW_HANDLE handle_;
    void* pointer_;
};

}  // namespace vantrel::scanner
