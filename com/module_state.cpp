// What the whole module shares: its own handle, its lock count and its type library.
#include "com/module_state.h"

#include "module_file_name.h"
#include "win32_owners.h"

#include <atomic>
#include <mutex>
#include <new>

namespace vantrel::com {

namespace {

HINSTANCE g_instance = nullptr;
std::atomic<long> g_locks{0};

// Apartment objects on several threads may ask at once; the first one loads it.
std::mutex& LibraryGuard() noexcept {
    static std::mutex guard;
    return guard;
}

// The holder itself is never destroyed: a destructor would also run when the process ends, and
// nothing may call into COM then. DropTypeLibrary gives the reference back while that is safe.
ComPtr<ITypeLib>& CachedLibrary() noexcept {
    alignas(ComPtr<ITypeLib>) static unsigned char storage[sizeof(ComPtr<ITypeLib>)];
    static ComPtr<ITypeLib>* const cached = new (storage) ComPtr<ITypeLib>();
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
        ComPtr<ITypeLib>& library = CachedLibrary();
        if (!library) {
            const HRESULT loaded = ::LoadTypeLibEx(ModulePath().c_str(), REGKIND_NONE, library.put());
            if (FAILED(loaded)) return loaded;
        }
        return library->GetTypeInfoOfGuid(type, typeInfo);
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

void DropTypeLibrary() noexcept {
    std::lock_guard lock(LibraryGuard());
    CachedLibrary().reset();
}

}  // namespace vantrel::com
