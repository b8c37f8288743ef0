// IDispatch served from the type information of a dual interface, so each member is written once.
#pragma once

#include "com/module_state.h"
#include "win32/win32_owners.h"

#include <oaidl.h>

namespace vantrel::com {

template <typename Interface, const IID* Iid>
class TypeInfoDispatch : public Interface {
public:
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (!count) return E_POINTER;
        *count = 1;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID, ITypeInfo** typeInfo) override {
        if (!typeInfo) return E_POINTER;
        *typeInfo = nullptr;
        if (index != 0) return DISP_E_BADINDEX;
        return TypeInfoOf(*Iid, typeInfo);
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
        if (iid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
        ComPtr<ITypeInfo> typeInfo;
        const HRESULT loaded = TypeInfoOf(*Iid, typeInfo.put());
        if (FAILED(loaded)) return loaded;
        return typeInfo->GetIDsOfNames(names, count, ids);
    }
    // The members' error information reaches the caller's EXCEPINFO through ITypeInfo::Invoke.
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                     EXCEPINFO* exception, UINT* argumentError) override {
        if (iid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
        ComPtr<ITypeInfo> typeInfo;
        const HRESULT loaded = TypeInfoOf(*Iid, typeInfo.put());
        if (FAILED(loaded)) return loaded;
        return typeInfo->Invoke(static_cast<Interface*>(this), id, flags, params, result, exception, argumentError);
    }
};

}  // namespace vantrel::com
