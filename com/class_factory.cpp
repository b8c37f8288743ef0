// The class object of a server's one class.
#include "com/class_factory.h"

#include "com/module_state.h"

namespace vantrel::com {

HRESULT ClassFactory::QueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (iid != IID_IUnknown && iid != IID_IClassFactory) return E_NOINTERFACE;
    *object = static_cast<IClassFactory*>(this);
    AddRef();
    return S_OK;
}

// Not counted: it lives as long as the module, and a reference held counts as a module lock.
ULONG ClassFactory::AddRef() {
    Lock();
    return 2;
}

ULONG ClassFactory::Release() {
    Unlock();
    return 1;
}

HRESULT ClassFactory::CreateInstance(IUnknown* outer, REFIID iid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    return create_(iid, object);
}

HRESULT ClassFactory::LockServer(BOOL lock) {
    lock ? Lock() : Unlock();
    return S_OK;
}

}  // namespace vantrel::com
