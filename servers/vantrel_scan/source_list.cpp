// The Sources collection: the product names the DSM listed, by position and for For Each.
#include "servers/vantrel_scan/source_list.h"

#include "com/list_enumerator.h"
#include "com/module_state.h"
#include "servers/vantrel_scan/error_info.h"

namespace vantrel {

namespace {

HRESULT NameAsVariant(const std::wstring& name, VARIANT* element) {
    ::VariantInit(element);
    UniqueBstr text = MakeBstr(name);
    if (!text) return E_OUTOFMEMORY;
    V_VT(element) = VT_BSTR;
    V_BSTR(element) = text.release();
    return S_OK;
}

void ClearVariant(VARIANT* element) { ::VariantClear(element); }

// Walks its shared copy of the names, so the collection may go while the enumerator is used.
using NameEnumerator = com::ListEnumerator<IEnumVARIANT, &IID_IEnumVARIANT, std::wstring, VARIANT, &NameAsVariant, &ClearVariant>;

}  // namespace

SourceList::SourceList(std::vector<std::wstring> names)
    : names_(std::make_shared<const std::vector<std::wstring>>(std::move(names))) {
    com::Lock();
}

SourceList::~SourceList() { com::Unlock(); }

HRESULT SourceList::Create(std::vector<std::wstring> names, IScannerSources** list) {
    *list = new SourceList(std::move(names));
    return S_OK;
}

HRESULT SourceList::QueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (iid == IID_IUnknown || iid == IID_IDispatch || iid == IID_IScannerSources)
        *object = static_cast<IScannerSources*>(this);
    else if (iid == IID_ISupportErrorInfo)
        *object = static_cast<ISupportErrorInfo*>(this);
    else
        return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

ULONG SourceList::AddRef() { return ++references_; }

ULONG SourceList::Release() {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
}

HRESULT SourceList::InterfaceSupportsErrorInfo(REFIID iid) { return iid == IID_IScannerSources ? S_OK : S_FALSE; }

HRESULT SourceList::Item(LONG index, BSTR* name) {
    if (!name) return E_POINTER;
    *name = nullptr;
    return Guarded(IID_IScannerSources, [&] {
        if (index < 0 || static_cast<std::size_t>(index) >= names_->size())
            return RaiseError(IID_IScannerSources,
                              L"There is no source number " + std::to_wstring(index) + L": Sources counts from 0 to Count - 1 (Count is " +
                                  std::to_wstring(names_->size()) + L").",
                              DISP_E_BADINDEX);
        *name = MakeBstr((*names_)[static_cast<std::size_t>(index)]).release();
        return *name ? S_OK : E_OUTOFMEMORY;
    });
}

HRESULT SourceList::get_Count(LONG* count) {
    if (!count) return E_POINTER;
    *count = static_cast<LONG>(names_->size());
    return S_OK;
}

HRESULT SourceList::_NewEnum(IUnknown** enumerator) {
    if (!enumerator) return E_POINTER;
    *enumerator = nullptr;
    IEnumVARIANT* names = nullptr;
    const HRESULT created = NameEnumerator::Create(names_, {}, &names);
    *enumerator = names;
    return created;
}

}  // namespace vantrel
