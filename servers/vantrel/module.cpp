// Vantrel.dll's module plumbing: DllMain, the class object and the exported entry points.
#include "servers/vantrel/automation_object.h"
#include "servers/vantrel/module_state.h"
#include "servers/vantrel/registration.h"

#include <olectl.h>

#include <cwchar>

namespace vantrel {

namespace {

// The class object of TWAIN; it lives as long as the module and counts as a lock while held.
class ClassFactory final : public IClassFactory {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (!object) return E_POINTER;
        if (iid == IID_IUnknown || iid == IID_IClassFactory) {
            *object = static_cast<IClassFactory*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override {
        module::Lock();
        return 2;
    }
    ULONG STDMETHODCALLTYPE Release() override {
        module::Unlock();
        return 1;
    }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        return TwainAutomation::CreateInstance(iid, object);
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
        lock ? module::Lock() : module::Unlock();
        return S_OK;
    }
};

ClassFactory g_factory;

}  // namespace

}  // namespace vantrel

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_ATTACH) {
        vantrel::module::SetInstance(instance);
        ::DisableThreadLibraryCalls(instance);
    }
    // Unloaded by FreeLibrary without DllCanUnloadNow having said yes (CoUninitialize, a client
    // that loaded it by hand): the type information goes back now. When the process is ending
    // (`reserved` set) nothing may call into COM, and the system takes back everything anyway.
    if (reason == DLL_PROCESS_DETACH && !reserved) vantrel::module::DropTypeInfo();
    return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (clsid != CLSID_TWAIN) return CLASS_E_CLASSNOTAVAILABLE;
    return vantrel::g_factory.QueryInterface(iid, object);
}

STDAPI DllCanUnloadNow() {
    if (vantrel::module::InUse()) return S_FALSE;
    // COM may unload the module after this answer: no reference of ours may outlive it.
    vantrel::module::DropTypeInfo();
    return S_OK;
}

STDAPI DllRegisterServer() { return vantrel::registration::Register(vantrel::registration::Scope::Machine); }

STDAPI DllUnregisterServer() { return vantrel::registration::Unregister(vantrel::registration::Scope::Machine); }

// regsvr32 /n /i:user registers for the current user only, without administrator rights.
STDAPI DllInstall(BOOL install, LPCWSTR commandLine) {
    using vantrel::registration::Scope;
    const Scope scope = commandLine && _wcsicmp(commandLine, L"user") == 0 ? Scope::User : Scope::Machine;
    return install ? vantrel::registration::Register(scope) : vantrel::registration::Unregister(scope);
}
