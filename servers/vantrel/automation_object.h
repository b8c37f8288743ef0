// The TWAIN class as automation clients see it: the dual interface _TWAIN over the TWAIN object.
#pragma once

#include "Vantrel_h.h"
#include "com/type_info_dispatch.h"
#include "servers/vantrel/twain_object.h"

#include <atomic>

namespace vantrel {

class TwainAutomation final : public com::TypeInfoDispatch<_TWAIN, &IID__TWAIN> {
public:
    // Constructs the TWAIN object (with its "Initialize()" box) and hands out `iid`.
    static HRESULT CreateInstance(REFIID iid, void** object);

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // _TWAIN
    HRESULT STDMETHODCALLTYPE get_Application(BSTR* value) override;
    HRESULT STDMETHODCALLTYPE put_Application(BSTR newValue) override;
    HRESULT STDMETHODCALLTYPE get_Interface(VARIANT_BOOL* value) override;
    HRESULT STDMETHODCALLTYPE put_Interface(VARIANT_BOOL newValue) override;
    HRESULT STDMETHODCALLTYPE get_OwnerHwnd(LONG* value) override;
    HRESULT STDMETHODCALLTYPE put_OwnerHwnd(LONG newValue) override;
    HRESULT STDMETHODCALLTYPE get_ProgressDialog(VARIANT_BOOL* value) override;
    HRESULT STDMETHODCALLTYPE put_ProgressDialog(VARIANT_BOOL newValue) override;
    HRESULT STDMETHODCALLTYPE get_Version(BSTR* value) override;
    HRESULT STDMETHODCALLTYPE Acquire(BSTR file, short* result) override;
    HRESULT STDMETHODCALLTYPE Create(VARIANT_BOOL* result) override;
    HRESULT STDMETHODCALLTYPE Destroy() override;
    HRESULT STDMETHODCALLTYPE SelectSource(short* result) override;

private:
    TwainAutomation();
    template <typename Body>
    HRESULT RunKeptAlive(short* result, Body body);
    ~TwainAutomation();

    std::atomic<ULONG> references_{1};
    vantrel::TWAIN twain_;
};

}  // namespace vantrel
