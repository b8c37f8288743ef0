// The Sources collection: the product names the DSM listed, by position and for For Each.
#pragma once

#include "VantrelScan_h.h"
#include "com/type_info_dispatch.h"

#include <atomic>
#include <memory>
#include <string>
#include <vector>

namespace vantrel {

class SourceList final : public com::TypeInfoDispatch<IScannerSources, &IID_IScannerSources>, public ISupportErrorInfo {
public:
    static HRESULT Create(std::vector<std::wstring> names, IScannerSources** list);

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID iid) override;

    HRESULT STDMETHODCALLTYPE Item(LONG index, BSTR* name) override;
    HRESULT STDMETHODCALLTYPE get_Count(LONG* count) override;
    HRESULT STDMETHODCALLTYPE _NewEnum(IUnknown** enumerator) override;

private:
    explicit SourceList(std::vector<std::wstring> names);
    ~SourceList();

    std::atomic<ULONG> references_{1};
    std::shared_ptr<const std::vector<std::wstring>> names_;
};

}  // namespace vantrel
