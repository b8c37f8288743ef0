// The one seam to the Data Source Manager: its library, its entry points, its memory, and every call through it.
#pragma once

#include "twain/twain_records.h"
#include "win32/win32_owners.h"

#include <cstdint>
#include <span>

namespace vantrel {

// Which DSM libraries to try, in order.
enum class DsmChoice {
    Classic,  // "Twain_32.dll" only, as TWAIN 1.x applications load it
    Current,  // "TWAINDSM.dll", the TWAIN 2 DSM, when the system has one; "Twain_32.dll" otherwise
};

class DsmLink {
public:
    // Loads the first library of `choice` that exists and exports DSM_Entry. On failure nothing stays loaded.
    bool Bind(DsmChoice choice = DsmChoice::Classic);
    // Forgets the entry points and the memory functions, then releases the library.
    void Release() noexcept;

    bool bound() const noexcept { return entry_ != nullptr; }
    HMODULE library() const noexcept { return library_.get(); }

    // One DSM request. The DSM receives a scratch copy of the application identity and whatever
    // it writes there (the Id at MSG_OPENDSM) is copied back, whatever the result.
    twain::TW_UINT16 Call(twain::TW_IDENTITY& appIdentity, twain::TW_IDENTITY* destination, twain::TW_UINT32 dg,
                          twain::TW_UINT16 dat, twain::TW_UINT16 msg, void* data) const;

    // A TWAIN 2 DSM's entry points (DAT_ENTRYPOINT): from then on every container and handle goes
    // through its memory functions, and calls through its DSM_Entry. Refused when any is missing.
    bool AdoptEntryPoints(const twain::TW_ENTRYPOINT& entry) noexcept;
    bool usesDsmMemory() const noexcept { return allocate_ != nullptr; }

    // Memory as the DSM wants it: its own functions after AdoptEntryPoints, the global heap before.
    twain::TW_HANDLE Allocate(std::uint32_t size) const noexcept;
    void Free(twain::TW_HANDLE handle) const noexcept;
    void* Lock(twain::TW_HANDLE handle) const noexcept;
    void Unlock(twain::TW_HANDLE handle) const noexcept;
    // The block's real size, so nothing a source writes in it makes us read past its end; 0 when unknown.
    std::size_t SizeOf(twain::TW_HANDLE handle) const noexcept;

private:
    UniqueModule library_;
    twain::DSMENTRYPROC entry_ = nullptr;
    twain::DSM_MEMALLOCATE allocate_ = nullptr;
    twain::DSM_MEMFREE free_ = nullptr;
    twain::DSM_MEMLOCK lock_ = nullptr;
    twain::DSM_MEMUNLOCK unlock_ = nullptr;
};

// A handle allocated through the DSM's memory (or handed over by the source) and freed the same way.
class DsmBlock {
public:
    DsmBlock() = default;
    DsmBlock(const DsmLink& link, twain::TW_HANDLE handle) noexcept : link_(&link), handle_(handle) {}
    DsmBlock(const DsmBlock&) = delete;
    DsmBlock& operator=(const DsmBlock&) = delete;
    DsmBlock(DsmBlock&& other) noexcept : link_(other.link_), handle_(other.release()) {}
    DsmBlock& operator=(DsmBlock&& other) noexcept {
        if (this != &other) {
            reset();
            link_ = other.link_;
            handle_ = other.release();
        }
        return *this;
    }
    ~DsmBlock() { reset(); }

    static DsmBlock Allocate(const DsmLink& link, std::uint32_t size) noexcept { return DsmBlock(link, link.Allocate(size)); }

    explicit operator bool() const noexcept { return handle_ != 0; }
    twain::TW_HANDLE get() const noexcept { return handle_; }
    twain::TW_HANDLE release() noexcept {
        const twain::TW_HANDLE handle = handle_;
        handle_ = 0;
        return handle;
    }
    void reset() noexcept {
        if (handle_ && link_) link_->Free(handle_);
        handle_ = 0;
    }

private:
    const DsmLink* link_ = nullptr;
    twain::TW_HANDLE handle_ = 0;
};

// A lock held on a DsmBlock, viewed as its bytes (empty when the lock or the size failed).
class DsmBlockView {
public:
    DsmBlockView(const DsmLink& link, twain::TW_HANDLE handle) noexcept
        : link_(link), handle_(handle), data_(handle ? static_cast<std::uint8_t*>(link.Lock(handle)) : nullptr) {
        if (data_) size_ = link.SizeOf(handle);
    }
    DsmBlockView(const DsmBlockView&) = delete;
    DsmBlockView& operator=(const DsmBlockView&) = delete;
    ~DsmBlockView() {
        if (data_) link_.Unlock(handle_);
    }

    std::span<std::uint8_t> bytes() const noexcept { return data_ ? std::span<std::uint8_t>(data_, size_) : std::span<std::uint8_t>(); }
    bool locked() const noexcept { return data_ != nullptr; }

private:
    const DsmLink& link_;
    twain::TW_HANDLE handle_;
    std::uint8_t* data_;
    std::size_t size_ = 0;
};

}  // namespace vantrel
