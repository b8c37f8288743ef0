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

struct ModuleTraits {
    using Handle = HMODULE;
    static Handle none() noexcept { return nullptr; }
    static void close(Handle h) noexcept { ::FreeLibrary(h); }
};
using UniqueModule = UniqueHandle<ModuleTraits>;

struct GlobalTraits {
    using Handle = HGLOBAL;
    static Handle none() noexcept { return nullptr; }
    static void close(Handle h) noexcept { ::GlobalFree(h); }
};
using UniqueGlobal = UniqueHandle<GlobalTraits>;

struct FileTraits {
    using Handle = HANDLE;
    static Handle none() noexcept { return INVALID_HANDLE_VALUE; }
    static bool close(Handle h) noexcept { return ::CloseHandle(h) != FALSE; }
};
using UniqueFile = UniqueHandle<FileTraits>;

struct KernelObjectTraits {
    using Handle = HANDLE;
    static Handle none() noexcept { return nullptr; }
    static bool close(Handle h) noexcept { return ::CloseHandle(h) != FALSE; }
};
using UniqueKernelObject = UniqueHandle<KernelObjectTraits>;

template <typename T>
struct MappedViewTraits {
    using Handle = T*;
    static Handle none() noexcept { return nullptr; }
    static void close(Handle h) noexcept { ::UnmapViewOfFile(h); }
};

// A view of a file mapping, typed as the record the mapping holds.
template <typename T>
class UniqueMappedView : public UniqueHandle<MappedViewTraits<T>> {
public:
    using UniqueHandle<MappedViewTraits<T>>::UniqueHandle;
    T* operator->() const noexcept { return this->get(); }
};

struct RegKeyTraits {
    using Handle = HKEY;
    static Handle none() noexcept { return nullptr; }
    static void close(Handle h) noexcept { ::RegCloseKey(h); }
};
using UniqueRegKey = UniqueHandle<RegKeyTraits>;

struct BstrTraits {
    using Handle = BSTR;
    static Handle none() noexcept { return nullptr; }
    static void close(Handle h) noexcept { ::SysFreeString(h); }
};
using UniqueBstr = UniqueHandle<BstrTraits>;

struct WindowTraits {
    using Handle = HWND;
    static Handle none() noexcept { return nullptr; }
    static void close(Handle h) noexcept { ::DestroyWindow(h); }
};
using UniqueWindow = UniqueHandle<WindowTraits>;

struct HookTraits {
    using Handle = HHOOK;
    static Handle none() noexcept { return nullptr; }
    static void close(Handle h) noexcept { ::UnhookWindowsHookEx(h); }
};
using UniqueHook = UniqueHandle<HookTraits>;

// Address space reserved (or committed) by VirtualAlloc, given back whole.
struct VirtualRegionTraits {
    using Handle = void*;
    static Handle none() noexcept { return nullptr; }
    static void close(Handle h) noexcept { ::VirtualFree(h, 0, MEM_RELEASE); }
};
using UniqueVirtualRegion = UniqueHandle<VirtualRegionTraits>;

// A timer of the thread (no window), killed when its owner goes.
struct ThreadTimerTraits {
    using Handle = UINT_PTR;
    static Handle none() noexcept { return 0; }
    static void close(Handle h) noexcept { ::KillTimer(nullptr, h); }
};
using UniqueThreadTimer = UniqueHandle<ThreadTimerTraits>;

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
