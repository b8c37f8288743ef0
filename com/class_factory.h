// The class object of a server's one class; it lives as long as the module and counts as a lock
// while a client holds it.
#pragma once

#include <windows.h>
#include <unknwn.h>

namespace vantrel::com {

class ClassFactory final : public IClassFactory {
public:
    using Create = HRESULT (*)(REFIID iid, void** object);
    explicit constexpr ClassFactory(Create create) noexcept : create_(create) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override;
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override;

private:
    Create create_;
};

}  // namespace vantrel::com
