// What the whole module shares: its own handle, its lock count, and its type library.
#include "module_state.h"

#include "Vantrel_h.h"
#include "module_file_name.h"
#include "win32_owners.h"

#include <atomic>
#include <mutex>

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

HRESULT TwainTypeInfo(ITypeInfo** typeInfo) noexcept {
    // Apartment objects on several threads may ask at once; the first one loads it.
    static std::mutex guard;
    static ITypeInfo* cached = nullptr;
    if (!typeInfo) return E_POINTER;
    *typeInfo = nullptr;
    std::lock_guard lock(guard);
    if (!cached) {
        ComPtr<ITypeLib> library;
        const HRESULT loaded = ::LoadTypeLibEx(Path().c_str(), REGKIND_NONE, library.put());
        if (FAILED(loaded)) return loaded;
        const HRESULT found = library->GetTypeInfoOfGuid(IID__TWAIN, &cached);
        if (FAILED(found)) return found;
    }
    cached->AddRef();
    *typeInfo = cached;
    return S_OK;
}

}  // namespace vantrel::module
