// What VantrelScan.dll shares across its objects: its handle, its lock count and its type library.
#include "servers/vantrel_scan/scan_module.h"

#include "win32/module_file_name.h"
#include "win32/win32_owners.h"

#include <atomic>
#include <mutex>
#include <new>

namespace vantrel::scan_module {

namespace {

HINSTANCE g_instance = nullptr;
std::atomic<long> g_locks{0};

std::mutex& LibraryGuard() noexcept {
    static std::mutex guard;
    return guard;
}

// Never destroyed: a destructor would run at process end, when COM may not be called.
ComPtr<ITypeLib>& CachedLibrary() noexcept {
    alignas(ComPtr<ITypeLib>) static unsigned char storage[sizeof(ComPtr<ITypeLib>)];
    static ComPtr<ITypeLib>* const cached = new (storage) ComPtr<ITypeLib>();
    return *cached;
}

}  // namespace

void SetInstance(HINSTANCE instance) noexcept { g_instance = instance; }
std::wstring Path() { return ModuleFileName(g_instance); }

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
            const HRESULT loaded = ::LoadTypeLibEx(Path().c_str(), REGKIND_NONE, library.put());
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

}  // namespace vantrel::scan_module
