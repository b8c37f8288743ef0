// The entry points every server DLL exports, for the server the DLL defines with ThisServer; its
// .def file gives them their names and ordinals.
#include "com/class_factory.h"
#include "com/module_state.h"
#include "com/registration.h"
#include "com/server.h"

#include <cwchar>

namespace {

vantrel::com::ClassFactory& Factory() noexcept {
    static vantrel::com::ClassFactory factory(vantrel::com::ThisServer().createInstance);
    return factory;
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_ATTACH) {
        vantrel::com::SetInstance(instance);
        ::DisableThreadLibraryCalls(instance);
    }
    // Unloaded by FreeLibrary without DllCanUnloadNow having said yes (CoUninitialize, a client
    // that loaded it by hand): the type library goes back now. When the process is ending
    // (`reserved` set) nothing may call into COM, and the system takes back everything anyway.
    if (reason == DLL_PROCESS_DETACH && !reserved) vantrel::com::DropTypeLibrary();
    return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (clsid != *vantrel::com::ThisServer().classId) return CLASS_E_CLASSNOTAVAILABLE;
    return Factory().QueryInterface(iid, object);
}

STDAPI DllCanUnloadNow() {
    if (vantrel::com::InUse()) return S_FALSE;
    // COM may unload the module after this answer: no reference of ours may outlive it.
    vantrel::com::DropTypeLibrary();
    return S_OK;
}

STDAPI DllRegisterServer() { return vantrel::com::Register(vantrel::com::ThisServer(), vantrel::com::Scope::Machine); }

STDAPI DllUnregisterServer() {
    return vantrel::com::Unregister(vantrel::com::ThisServer(), vantrel::com::Scope::Machine);
}

// regsvr32 /n /i:user registers for the current user only, without administrator rights.
STDAPI DllInstall(BOOL install, LPCWSTR commandLine) {
    using vantrel::com::Scope;
    const Scope scope = commandLine && _wcsicmp(commandLine, L"user") == 0 ? Scope::User : Scope::Machine;
    const vantrel::com::Server& server = vantrel::com::ThisServer();
    return install ? vantrel::com::Register(server, scope) : vantrel::com::Unregister(server, scope);
}
