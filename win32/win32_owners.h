// Owners for the Win32 resources the component takes: each one releases exactly what it acquired.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <string_view>
#include <utility>

namespace vantrel {

// A move-only owner of one raw handle; Traits says what "none" is and how to give it back.
template <typename Traits>
class UniqueHandle {
public:
    using Handle = typename Traits::Handle;

    UniqueHandle() = default;
    explicit UniqueHandle(Handle handle) noexcept : handle_(handle) {}
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    ~UniqueHandle() { reset(); }

    Handle get() const noexcept { return handle_; }
    explicit operator bool() const noexcept { return handle_ != Traits::none(); }

    // Hands the handle over to a new owner (the clipboard, a caller); this owner forgets it.
    Handle release() noexcept { return std::exchange(handle_, Traits::none()); }

    void reset(Handle handle = Traits::none()) noexcept {
        Handle old = std::exchange(handle_, handle);
        if (old != Traits::none()) Traits::close(old);
    }

    // For out-parameters: gives back what is held and returns the slot the call fills.
    Handle* put() noexcept {
        reset();
        return &handle_;
    }

    // Gives the handle back now and says whether that worked, where a failed close matters (a
    // file's last writes can fail there). The owner holds nothing afterwards either way.
    bool close() noexcept {
        const Handle old = release();
        return old != Traits::none() && Traits::close(old);
    }

private:
    Handle handle_ = Traits::none();
};

// What an owner needs when one call gives the handle back and a null handle holds nothing.
template <typename H, auto Close>
struct ClosedBy {
    using Handle = H;
    static Handle none() noexcept { return Handle{}; }
    static void close(Handle h) noexcept { Close(h); }
};
template <typename H, auto Close>
using Unique = UniqueHandle<ClosedBy<H, Close>>;

inline void ReleaseRegion(void* region) noexcept { ::VirtualFree(region, 0, MEM_RELEASE); }
inline void KillThreadTimer(UINT_PTR timer) noexcept { ::KillTimer(nullptr, timer); }
inline void DeleteNamedFile(const char* path) noexcept { ::DeleteFileA(path); }

using UniqueModule = Unique<HMODULE, ::FreeLibrary>;
using UniqueGlobal = Unique<HGLOBAL, ::GlobalFree>;
using UniqueRegKey = Unique<HKEY, ::RegCloseKey>;
using UniqueBstr = Unique<BSTR, ::SysFreeString>;
using UniqueWindow = Unique<HWND, ::DestroyWindow>;
using UniqueHook = Unique<HHOOK, ::UnhookWindowsHookEx>;
using UniqueVirtualRegion = Unique<void*, ReleaseRegion>;  // address space from VirtualAlloc, given back whole
using UniqueThreadTimer = Unique<UINT_PTR, KillThreadTimer>;  // a timer of the thread, no window
using UniqueFileName = Unique<const char*, DeleteNamedFile>;  // a file deleted by its name, which stays the caller's

// Kernel handles, whose close can fail where it matters (a file's last writes); a file's "none"
// is INVALID_HANDLE_VALUE.
template <HANDLE (*None)()>
struct KernelHandle {
    using Handle = HANDLE;
    static Handle none() noexcept { return None(); }
    static bool close(Handle h) noexcept { return ::CloseHandle(h) != FALSE; }
};
inline HANDLE NoFile() noexcept { return INVALID_HANDLE_VALUE; }
inline HANDLE NoObject() noexcept { return nullptr; }
using UniqueFile = UniqueHandle<KernelHandle<NoFile>>;
using UniqueKernelObject = UniqueHandle<KernelHandle<NoObject>>;

// A directory search from FindFirstFileW, whose "none" is INVALID_HANDLE_VALUE.
struct FindSearch {
    using Handle = HANDLE;
    static Handle none() noexcept { return INVALID_HANDLE_VALUE; }
    static void close(Handle h) noexcept { ::FindClose(h); }
};
using UniqueFind = UniqueHandle<FindSearch>;

inline void UnmapView(const void* view) noexcept { ::UnmapViewOfFile(view); }

// A view of a file mapping, typed as the record the mapping holds.
template <typename T>
class UniqueMappedView : public Unique<T*, UnmapView> {
public:
    using UniqueHandle<ClosedBy<T*, UnmapView>>::UniqueHandle;
    T* operator->() const noexcept { return this->get(); }
};

// A BSTR holding `text`; empty when memory runs out.
inline UniqueBstr MakeBstr(std::wstring_view text) {
    return UniqueBstr(::SysAllocStringLen(text.data(), static_cast<UINT>(text.size())));
}

// A VARIANT cleared with the owner: VariantClear frees the string or releases the object it holds.
class UniqueVariant {
public:
    UniqueVariant() noexcept { ::VariantInit(&value_); }
    UniqueVariant(UniqueVariant&& other) noexcept : value_(other.release()) {}
    UniqueVariant& operator=(UniqueVariant&& other) noexcept {
        if (this != &other) {
            reset();
            value_ = other.release();
        }
        return *this;
    }
    UniqueVariant(const UniqueVariant&) = delete;
    UniqueVariant& operator=(const UniqueVariant&) = delete;
    ~UniqueVariant() { reset(); }

    VARIANT* get() noexcept { return &value_; }
    const VARIANT* get() const noexcept { return &value_; }

    // For out-parameters: clears what is held and returns the VARIANT the call fills.
    VARIANT* put() noexcept {
        reset();
        return &value_;
    }

    // Hands the value over to a new owner; this one holds VT_EMPTY.
    VARIANT release() noexcept {
        const VARIANT value = value_;
        ::VariantInit(&value_);
        return value;
    }

    void reset() noexcept { ::VariantClear(&value_); }

private:
    VARIANT value_;
};

// A lock on a global memory block, held for the owner's lifetime.
template <typename T = void>
class GlobalLock {
public:
    explicit GlobalLock(HGLOBAL block) noexcept
        : block_(block), data_(static_cast<T*>(block ? ::GlobalLock(block) : nullptr)) {}
    GlobalLock(const GlobalLock&) = delete;
    GlobalLock& operator=(const GlobalLock&) = delete;
    ~GlobalLock() {
        if (data_) ::GlobalUnlock(block_);
    }

    T* get() const noexcept { return data_; }
    T* operator->() const noexcept { return data_; }
    explicit operator bool() const noexcept { return data_ != nullptr; }

private:
    HGLOBAL block_;
    T* data_;
};

// The clipboard, open for the owner's lifetime.
class OpenClipboardSession {
public:
    explicit OpenClipboardSession(HWND owner) noexcept : open_(::OpenClipboard(owner) != FALSE) {}
    OpenClipboardSession(const OpenClipboardSession&) = delete;
    OpenClipboardSession& operator=(const OpenClipboardSession&) = delete;
    ~OpenClipboardSession() {
        if (open_) ::CloseClipboard();
    }
    explicit operator bool() const noexcept { return open_; }

private:
    bool open_;
};

// A counted reference to a COM object.
template <typename T>
class ComPtr {
public:
    ComPtr() = default;
    ComPtr(const ComPtr& other) noexcept : ptr_(other.ptr_) {
        if (ptr_) ptr_->AddRef();
    }
    ComPtr(ComPtr&& other) noexcept : ptr_(std::exchange(other.ptr_, nullptr)) {}
    ComPtr& operator=(ComPtr other) noexcept {
        std::swap(ptr_, other.ptr_);
        return *this;
    }
    ~ComPtr() { reset(); }

    // Takes over a reference the caller already holds.
    static ComPtr adopt(T* ptr) noexcept {
        ComPtr result;
        result.ptr_ = ptr;
        return result;
    }

    T* get() const noexcept { return ptr_; }
    T* operator->() const noexcept { return ptr_; }
    explicit operator bool() const noexcept { return ptr_ != nullptr; }

    // For out-parameters: releases what is held and returns the slot to fill.
    T** put() noexcept {
        reset();
        return &ptr_;
    }
    void** put_void() noexcept { return reinterpret_cast<void**>(put()); }

    T* detach() noexcept { return std::exchange(ptr_, nullptr); }
    void reset() noexcept {
        if (T* old = std::exchange(ptr_, nullptr)) old->Release();
    }

private:
    T* ptr_ = nullptr;
};

}  // namespace vantrel
