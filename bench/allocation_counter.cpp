// Counting wrappers for the allocation functions a module imports, and the patching of its
// import address table.
#include "bench/allocation_counter.h"

#include <oleauto.h>

#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <string_view>

namespace bench {

namespace {

enum class Kind { Global, Heap, String };

class Ledger {
public:
    void Add(Kind kind, const void* block, std::size_t bytes) {
        if (!block) return;
        std::lock_guard lock(mutex_);
        live_[{kind, block}] = bytes;
        held_ += bytes;
        if (held_ > peak_) peak_ = held_;
    }
    std::size_t Remove(Kind kind, const void* block) {
        std::lock_guard lock(mutex_);
        const auto found = live_.find({kind, block});
        if (found == live_.end()) return 0;  // not ours, or from before the counting began
        const std::size_t bytes = found->second;
        held_ -= bytes;
        live_.erase(found);
        return bytes;
    }
    void StartPeak() {
        std::lock_guard lock(mutex_);
        base_ = peak_ = held_;
    }
    std::size_t Peak() {
        std::lock_guard lock(mutex_);
        return peak_ - base_;
    }

private:
    std::mutex mutex_;
    std::map<std::pair<Kind, const void*>, std::size_t> live_;
    std::size_t held_ = 0;
    std::size_t peak_ = 0;
    std::size_t base_ = 0;
};

Ledger g_ledger;

decltype(&::GlobalAlloc) g_globalAlloc;
decltype(&::GlobalFree) g_globalFree;
decltype(&::SysAllocStringLen) g_sysAllocStringLen;
decltype(&::SysFreeString) g_sysFreeString;
void* (*g_malloc)(std::size_t);
void* (*g_calloc)(std::size_t, std::size_t);
void* (*g_realloc)(void*, std::size_t);
void (*g_free)(void*);
char* (*g_strdup)(const char*);

HGLOBAL WINAPI CountingGlobalAlloc(UINT flags, SIZE_T bytes) {
    const HGLOBAL block = g_globalAlloc(flags, bytes);
    g_ledger.Add(Kind::Global, block, bytes);
    return block;
}

HGLOBAL WINAPI CountingGlobalFree(HGLOBAL block) {
    g_ledger.Remove(Kind::Global, block);
    return g_globalFree(block);
}

BSTR WINAPI CountingSysAllocStringLen(const OLECHAR* text, UINT length) {
    const BSTR string = g_sysAllocStringLen(text, length);
    g_ledger.Add(Kind::String, string, sizeof(OLECHAR) * (length + 1) + sizeof(UINT));
    return string;
}

void WINAPI CountingSysFreeString(BSTR string) {
    g_ledger.Remove(Kind::String, string);
    g_sysFreeString(string);
}

void* CountingMalloc(std::size_t bytes) {
    void* block = g_malloc(bytes);
    g_ledger.Add(Kind::Heap, block, bytes);
    return block;
}

void* CountingCalloc(std::size_t count, std::size_t size) {
    void* block = g_calloc(count, size);
    g_ledger.Add(Kind::Heap, block, count * size);
    return block;
}

void* CountingRealloc(void* old, std::size_t bytes) {
    const std::size_t oldBytes = g_ledger.Remove(Kind::Heap, old);
    void* block = g_realloc(old, bytes);
    if (block) g_ledger.Add(Kind::Heap, block, bytes);
    else if (old && bytes) g_ledger.Add(Kind::Heap, old, oldBytes);  // failed: the old block stays
    return block;
}

void CountingFree(void* block) {
    g_ledger.Remove(Kind::Heap, block);
    g_free(block);
}

char* CountingStrdup(const char* text) {
    char* copy = g_strdup(text);
    if (copy) g_ledger.Add(Kind::Heap, copy, std::strlen(copy) + 1);
    return copy;
}

struct Replacement {
    std::string_view library;
    std::string_view function;
    void* wrapper;
    void** original;
};

template <typename F>
Replacement Replace(std::string_view library, std::string_view function, F wrapper, F* original) {
    return {library, function, reinterpret_cast<void*>(wrapper), reinterpret_cast<void**>(original)};
}

const Replacement kReplacements[] = {
    Replace("kernel32.dll", "GlobalAlloc", &CountingGlobalAlloc, &g_globalAlloc),
    Replace("kernel32.dll", "GlobalFree", &CountingGlobalFree, &g_globalFree),
    Replace("oleaut32.dll", "SysAllocStringLen", &CountingSysAllocStringLen, &g_sysAllocStringLen),
    Replace("oleaut32.dll", "SysFreeString", &CountingSysFreeString, &g_sysFreeString),
    Replace("msvcrt.dll", "malloc", &CountingMalloc, &g_malloc),
    Replace("msvcrt.dll", "calloc", &CountingCalloc, &g_calloc),
    Replace("msvcrt.dll", "realloc", &CountingRealloc, &g_realloc),
    Replace("msvcrt.dll", "free", &CountingFree, &g_free),
    Replace("msvcrt.dll", "_strdup", &CountingStrdup, &g_strdup),
};

// Functions that allocate memory but are not counted: their presence makes the count incomplete.
constexpr std::string_view kUncounted[] = {"HeapAlloc", "HeapReAlloc", "LocalAlloc", "LocalReAlloc", "GlobalReAlloc",
                                           "VirtualAlloc", "VirtualAllocEx", "MapViewOfFile", "MapViewOfFileEx",
                                           "SysAllocString", "SysReAllocString", "SysReAllocStringLen",
                                           "SysAllocStringByteLen", "CoTaskMemAlloc", "CoTaskMemRealloc"};

bool SameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && _strnicmp(a.data(), b.data(), a.size()) == 0;
}

void WriteSlot(void** slot, void* value) {
    DWORD old = 0;
    if (!::VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &old)) return;
    *slot = value;
    ::VirtualProtect(slot, sizeof *slot, old, &old);
}

}  // namespace

AllocationCounter::AllocationCounter(HMODULE module) {
    auto* base = reinterpret_cast<std::uint8_t*>(module);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    if (!module || dos->e_magic != IMAGE_DOS_SIGNATURE) {
        complete_ = false;
        return;
    }
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (auto* library = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
         imports.VirtualAddress && library->Name; ++library) {
        const std::string_view libraryName(reinterpret_cast<const char*>(base + library->Name));
        const auto* names = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + library->OriginalFirstThunk);
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + library->FirstThunk);
        for (; names->u1.AddressOfData; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
            const std::string_view function(
                reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData)->Name);
            for (const std::string_view uncounted : kUncounted)
                if (function == uncounted) complete_ = false;
            for (const Replacement& replacement : kReplacements) {
                if (!SameName(libraryName, replacement.library) || function != replacement.function) continue;
                void** slot = reinterpret_cast<void**>(&slots->u1.Function);
                *replacement.original = *slot;
                patched_.emplace_back(slot, *slot);
                WriteSlot(slot, replacement.wrapper);
            }
        }
    }
}

AllocationCounter::~AllocationCounter() {
    for (const auto& [slot, original] : patched_) WriteSlot(slot, original);
}

void AllocationCounter::StartPeak() { g_ledger.StartPeak(); }

std::size_t AllocationCounter::Peak() const { return g_ledger.Peak(); }

}  // namespace bench
