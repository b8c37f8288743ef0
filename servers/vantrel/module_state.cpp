// What the whole module shares: its own handle, its lock count, and its type library.
#include "servers/vantrel/module_state.h"

#include "Vantrel_h.h"
#include "win32/module_file_name.h"
#include "win32/win32_owners.h"

#include <atomic>
#include <mutex>
#include <new>

namespace vantrel::module {

namespace {

HINSTANCE g_instance = nullptr;
std::atomic<long> g_locks{0};

}  // namespace

void SetInstance(HINSTANCE instance) noexcept { g_instance = instance; }

std::wstring Path() { return ModuleFileName(g_instance); }

void Lock() noexcept { ++g_locks; }
void Unlock() noexcept { --g_locks; }
bool InUse() noexcept { return g_locks.load() != 0; }

namespace {

// Apartment objects on several threads may ask at once; the first one loads it.
std::mutex& TypeInfoGuard() noexcept {
    static std::mutex guard;
    return guard;
}

// The holder itself is never destroyed: a destructor would also run when the process ends, and
// nothing may call into COM then. DropTypeInfo gives the reference back while that is safe.
ComPtr<ITypeInfo>& CachedTypeInfo() noexcept {
    alignas(ComPtr<ITypeInfo>) static unsigned char storage[sizeof(ComPtr<ITypeInfo>)];
    static ComPtr<ITypeInfo>* const cached = new (storage) ComPtr<ITypeInfo>();
    return *cached;
}

}  // namespace

HRESULT TwainTypeInfo(ITypeInfo** typeInfo) noexcept {
    if (!typeInfo) return E_POINTER;
    *typeInfo = nullptr;
    std::lock_guard lock(TypeInfoGuard());
    ComPtr<ITypeInfo>& cached = CachedTypeInfo();
    if (!cached) {
        ComPtr<ITypeLib> library;
        const HRESULT loaded = ::LoadTypeLibEx(Path().c_str(), REGKIND_NONE, library.put());
        if (FAILED(loaded)) return loaded;
        const HRESULT found = library->GetTypeInfoOfGuid(IID__TWAIN, cached.put());
        if (FAILED(found)) return found;
    }
    *typeInfo = ComPtr<ITypeInfo>(cached).detach();
    return S_OK;
}

void DropTypeInfo() noexcept {
    std::lock_guard lock(TypeInfoGuard());
    CachedTypeInfo().reset();
}

}  // namespace vantrel::module
