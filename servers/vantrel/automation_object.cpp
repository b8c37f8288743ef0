// The TWAIN class as automation clients see it: the dual interface _TWAIN over the TWAIN object.
#include "servers/vantrel/automation_object.h"

#include "com/guarded.h"
#include "com/module_state.h"
#include "win32/win32_owners.h"

#include <string_view>

namespace vantrel {

// Members write their out value's documented failure value before the guarded body, which only
// overwrites it when it returns.
using com::Guarded;
using com::HandOut;

namespace {

std::wstring_view View(BSTR text) noexcept { return text ? std::wstring_view(text, ::SysStringLen(text)) : std::wstring_view(); }

// The contract's numbers for how SelectSource and Acquire ended.
short ResultCode(Outcome outcome) noexcept {
    switch (outcome) {
    case Outcome::Carried: return 1;
    case Outcome::Cancelled: return 0;
    case Outcome::Failed: return -1;
    }
    return -1;
}

}  // namespace

TwainAutomation::TwainAutomation() { com::Lock(); }
TwainAutomation::~TwainAutomation() { com::Unlock(); }

HRESULT TwainAutomation::CreateInstance(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    return Guarded([&] {
        auto* created = new TwainAutomation();
        const HRESULT hr = created->QueryInterface(iid, object);
        created->Release();
        return hr;
    });
}

HRESULT TwainAutomation::QueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IDispatch || iid == IID__TWAIN) {
        *object = static_cast<_TWAIN*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG TwainAutomation::AddRef() { return ++references_; }

ULONG TwainAutomation::Release() {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
}

HRESULT TwainAutomation::get_Application(BSTR* value) {
    if (!value) return E_POINTER;
    *value = nullptr;
    return Guarded([&] { return HandOut(twain_.Application(), value); });
}

HRESULT TwainAutomation::put_Application(BSTR newValue) {
    return Guarded([&] {
        twain_.SetApplication(View(newValue));
        return S_OK;
    });
}

HRESULT TwainAutomation::get_Interface(VARIANT_BOOL* value) {
    if (!value) return E_POINTER;
    *value = twain_.Interface();
    return S_OK;
}

HRESULT TwainAutomation::put_Interface(VARIANT_BOOL newValue) {
    twain_.SetInterface(newValue);
    return S_OK;
}

HRESULT TwainAutomation::get_OwnerHwnd(LONG* value) {
    if (!value) return E_POINTER;
    *value = twain_.OwnerHwnd();
    return S_OK;
}

HRESULT TwainAutomation::put_OwnerHwnd(LONG newValue) {
    twain_.SetOwnerHwnd(newValue);
    return S_OK;
}

HRESULT TwainAutomation::get_ProgressDialog(VARIANT_BOOL* value) {
    if (!value) return E_POINTER;
    *value = twain_.ProgressDialog();
    return S_OK;
}

HRESULT TwainAutomation::put_ProgressDialog(VARIANT_BOOL newValue) {
    twain_.SetProgressDialog(newValue);
    return S_OK;
}

HRESULT TwainAutomation::get_Version(BSTR* value) {
    if (!value) return E_POINTER;
    *value = nullptr;
    return Guarded([&] { return HandOut(twain_.Version(), value); });
}

HRESULT TwainAutomation::Acquire(BSTR file, short* result) {
    return RunKeptAlive(result, [&] { return twain_.Acquire(View(file)); });
}

HRESULT TwainAutomation::Create(VARIANT_BOOL* result) {
    if (!result) return E_POINTER;
    *result = VARIANT_FALSE;
    return Guarded([&] {
        *result = twain_.Create() ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    });
}

HRESULT TwainAutomation::Destroy() {
    twain_.Destroy();
    return S_OK;
}

HRESULT TwainAutomation::SelectSource(short* result) {
    return RunKeptAlive(result, [&] { return twain_.SelectSource(); });
}

template <typename Body>
HRESULT TwainAutomation::RunKeptAlive(short* result, Body body) {
    if (!result) return E_POINTER;
    *result = 0;
    // The client's handlers run inside these calls and may drop the last reference: stay alive
    // until the call has returned.
    AddRef();
    const HRESULT hr = Guarded([&] {
        *result = ResultCode(body());
        return S_OK;
    });
    Release();
    return hr;
}

}  // namespace vantrel
