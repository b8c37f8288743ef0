// VantrelScan.dll's module plumbing: DllMain, the class object of Scanner and the exported entry points.
#include "VantrelScan_h.h"
#include "servers/vantrel_scan/scan_module.h"
#include "servers/vantrel_scan/scan_registration.h"
#include "servers/vantrel_scan/scanner_object.h"

#include <cwchar>

namespace vantrel {

namespace {

// Lives as long as the module; a reference held by a client counts as a lock.
class ScannerFactory final : public IClassFactory {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (iid != IID_IUnknown && iid != IID_IClassFactory) return E_NOINTERFACE;
        *object = static_cast<IClassFactory*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override {
        scan_module::Lock();
        return 2;
    }
    ULONG STDMETHODCALLTYPE Release() override {
        scan_module::Unlock();
        return 1;
    }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        return ScannerObject::CreateInstance(iid, object);
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
        lock ? scan_module::Lock() : scan_module::Unlock();
        return S_OK;
    }
};

ScannerFactory g_factory;

}  // namespace

}  // namespace vantrel

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_ATTACH) {
        vantrel::scan_module::SetInstance(instance);
        ::DisableThreadLibraryCalls(instance);
    }
    // Unloaded without DllCanUnloadNow's yes: the library goes back now, unless the process ends.
    if (reason == DLL_PROCESS_DETACH && !reserved) vantrel::scan_module::DropTypeLibrary();
    return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (clsid != CLSID_Scanner) return CLASS_E_CLASSNOTAVAILABLE;
    return vantrel::g_factory.QueryInterface(iid, object);
}

STDAPI DllCanUnloadNow() {
    if (vantrel::scan_module::InUse()) return S_FALSE;
    vantrel::scan_module::DropTypeLibrary();
    return S_OK;
}

STDAPI DllRegisterServer() { return vantrel::scan_registration::Register(vantrel::scan_registration::Scope::Machine); }

STDAPI DllUnregisterServer() { return vantrel::scan_registration::Unregister(vantrel::scan_registration::Scope::Machine); }

// regsvr32 /n /i:user registers for the current user only, without administrator rights.
STDAPI DllInstall(BOOL install, LPCWSTR commandLine) {
    using vantrel::scan_registration::Scope;
    const Scope scope = commandLine && _wcsicmp(commandLine, L"user") == 0 ? Scope::User : Scope::Machine;
    return install ? vantrel::scan_registration::Register(scope) : vantrel::scan_registration::Unregister(scope);
}
