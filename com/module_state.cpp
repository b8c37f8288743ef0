// What the whole module shares: its own handle, its lock count and its type library.
#include "com/module_state.h"

#include "win32/module_file_name.h"
#include "win32/win32_owners.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <new>
#include <utility>
#include <vector>

namespace vantrel::com {

namespace {

HINSTANCE g_instance = nullptr;
std::atomic<long> g_locks{0};

// Apartment objects on several threads may ask at once; the first one loads it.
std::mutex& LibraryGuard() noexcept {
    static std::mutex guard;
    return guard;
}

// The library and the type information handed out from it; a held ITypeInfo is what keeps a
// client's next call cheap.
struct TypeCache {
    ComPtr<ITypeLib> library;
    std::vector<std::pair<GUID, ComPtr<ITypeInfo>>> types;
};

// The holder itself is never destroyed: a destructor would also run when the process ends, and
// nothing may call into COM then. DropTypeLibrary gives the references back while that is safe.
TypeCache& Cached() noexcept {
    alignas(TypeCache) static unsigned char storage[sizeof(TypeCache)];
    static TypeCache* const cached = new (storage) TypeCache();
    return *cached;
}

}  // namespace

void SetInstance(HINSTANCE instance) noexcept { g_instance = instance; }
std::wstring ModulePath() { return ModuleFileName(g_instance); }

void Lock() noexcept { ++g_locks; }
void Unlock() noexcept { --g_locks; }
bool InUse() noexcept { return g_locks.load() != 0; }

HRESULT TypeInfoOf(REFGUID type, ITypeInfo** typeInfo) noexcept {
    if (!typeInfo) return E_POINTER;
    *typeInfo = nullptr;
    try {
        std::lock_guard lock(LibraryGuard());
        TypeCache& cached = Cached();
        auto known = std::find_if(cached.types.begin(), cached.types.end(), [&](const auto& held) { return held.first == type; });
        if (known == cached.types.end()) {
            if (!cached.library) {
                const HRESULT loaded = ::LoadTypeLibEx(ModulePath().c_str(), REGKIND_NONE, cached.library.put());
                if (FAILED(loaded)) return loaded;
            }
            ComPtr<ITypeInfo> found;
            const HRESULT hr = cached.library->GetTypeInfoOfGuid(type, found.put());
            if (FAILED(hr)) return hr;
            known = cached.types.insert(cached.types.end(), {type, std::move(found)});
        }
        *typeInfo = ComPtr<ITypeInfo>(known->second).detach();
        return S_OK;
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

void DropTypeLibrary() noexcept {
    std::lock_guard lock(LibraryGuard());
    TypeCache& cached = Cached();
    cached.types.clear();
    cached.library.reset();
}

}  // namespace vantrel::com
