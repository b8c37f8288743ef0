// The IEnumXXX protocol written once: an enumerator over a fixed, shared list (IEnumVARIANT for
// a collection's names, IEnumConnectionPoints for an object's connection points).
#pragma once

#include "com/module_state.h"
#include "win32/win32_owners.h"

#include <algorithm>
#include <atomic>
#include <memory>
#include <vector>

namespace vantrel::com {

// `CopyOut` hands out one item as the interface's element (failing only for memory); `Clear`
// gives back an element handed out. `owner` is kept alive as long as the enumerator lives.
template <typename Interface, const IID* Iid, typename Item, typename Element, HRESULT (*CopyOut)(const Item&, Element*),
          void (*Clear)(Element*)>
class ListEnumerator final : public Interface {
public:
    static HRESULT Create(std::shared_ptr<const std::vector<Item>> items, ComPtr<IUnknown> owner, Interface** out) noexcept {
        if (!out) return E_POINTER;
        *out = nullptr;
        try {
            *out = new ListEnumerator(std::move(items), std::move(owner), 0);
            return S_OK;
        } catch (...) {
            return E_OUTOFMEMORY;
        }
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (iid != IID_IUnknown && iid != *Iid) return E_NOINTERFACE;
        *object = static_cast<Interface*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --references_;
        if (left == 0) delete this;
        return left;
    }

    HRESULT STDMETHODCALLTYPE Next(ULONG wanted, Element* elements, ULONG* fetched) override {
        if (fetched) *fetched = 0;
        if (wanted == 0) return S_OK;
        if (!elements || (wanted > 1 && !fetched)) return E_POINTER;
        ULONG given = 0;
        for (; given < wanted && position_ < items_->size(); ++given, ++position_) {
            const HRESULT copied = CopyOut((*items_)[position_], &elements[given]);
            if (FAILED(copied)) {
                for (ULONG i = 0; i < given; ++i) Clear(&elements[i]);
                position_ -= given;
                return copied;
            }
        }
        if (fetched) *fetched = given;
        return given == wanted ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Skip(ULONG count) override {
        const std::size_t left = items_->size() - position_;
        position_ += std::min<std::size_t>(count, left);
        return count <= left ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Reset() override {
        position_ = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Clone(Interface** copy) override {
        if (!copy) return E_POINTER;
        *copy = nullptr;
        try {
            *copy = new ListEnumerator(items_, owner_, position_);
            return S_OK;
        } catch (...) {
            return E_OUTOFMEMORY;
        }
    }

private:
    ListEnumerator(std::shared_ptr<const std::vector<Item>> items, ComPtr<IUnknown> owner, std::size_t position)
        : items_(std::move(items)), owner_(std::move(owner)), position_(position) {
        Lock();
    }
    ~ListEnumerator() { Unlock(); }

    std::atomic<ULONG> references_{1};
    std::shared_ptr<const std::vector<Item>> items_;
    ComPtr<IUnknown> owner_;
    std::size_t position_;
};

}  // namespace vantrel::com
