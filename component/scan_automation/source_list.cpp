// The Sources collection: the product names the DSM listed, by position and for For Each.
#include "source_list.h"

#include "error_info.h"

namespace vantrel {

namespace {

// Walks a shared copy of the names, so the collection may go while the enumerator is used.
class NameEnumerator final : public IEnumVARIANT {
public:
    NameEnumerator(std::shared_ptr<const std::vector<std::wstring>> names, std::size_t position)
        : names_(std::move(names)), position_(position) {
        scan_module::Lock();
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (iid != IID_IUnknown && iid != IID_IEnumVARIANT) return E_NOINTERFACE;
        *object = static_cast<IEnumVARIANT*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --references_;
        if (left == 0) delete this;
        return left;
    }

    HRESULT STDMETHODCALLTYPE Next(ULONG wanted, VARIANT* items, ULONG* fetched) override {
        if (fetched) *fetched = 0;
        if (wanted == 0) return S_OK;
        if (!items || (wanted > 1 && !fetched)) return E_POINTER;
        ULONG given = 0;
        for (; given < wanted && position_ < names_->size(); ++given, ++position_) {
            ::VariantInit(&items[given]);
            UniqueBstr name = MakeBstr((*names_)[position_]);
            if (!name) {
                for (ULONG i = 0; i < given; ++i) ::VariantClear(&items[i]);
                return E_OUTOFMEMORY;
            }
            V_VT(&items[given]) = VT_BSTR;
            V_BSTR(&items[given]) = name.release();
        }
        if (fetched) *fetched = given;
        return given == wanted ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Skip(ULONG count) override {
        const std::size_t left = names_->size() - position_;
        position_ += std::min<std::size_t>(count, left);
        return count <= left ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Reset() override {
        position_ = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Clone(IEnumVARIANT** copy) override {
        if (!copy) return E_POINTER;
        *copy = nullptr;
        try {
            *copy = new NameEnumerator(names_, position_);
            return S_OK;
        } catch (...) {
            return E_OUTOFMEMORY;
        }
    }

private:
    ~NameEnumerator() { scan_module::Unlock(); }

    std::atomic<ULONG> references_{1};
    std::shared_ptr<const std::vector<std::wstring>> names_;
    std::size_t position_;
};

}  // namespace

SourceList::SourceList(std::vector<std::wstring> names)
    : names_(std::make_shared<const std::vector<std::wstring>>(std::move(names))) {
    scan_module::Lock();
}

SourceList::~SourceList() { scan_module::Unlock(); }

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
    return Guarded(IID_IScannerSources, [&] {
        *enumerator = new NameEnumerator(names_, 0);
        return S_OK;
    });
}

}  // namespace vantrel
