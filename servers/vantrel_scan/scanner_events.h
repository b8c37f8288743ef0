// The Scanner's one connection point: the clients' sinks of IScannerEvents, and raising PageScanned.
#pragma once

#include "VantrelScan_h.h"
#include "win32/win32_owners.h"

#include <ocidl.h>

#include <string>
#include <utility>
#include <vector>

namespace vantrel {

class ScannerEvents final : public IConnectionPoint {
public:
    // Lives inside `container`, which it counts its references on.
    explicit ScannerEvents(IConnectionPointContainer& container) : container_(container) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return container_.AddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return container_.Release(); }

    HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* iid) override;
    HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(IConnectionPointContainer** container) override;
    HRESULT STDMETHODCALLTYPE Advise(IUnknown* sink, DWORD* cookie) override;
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override;
    // Enumerating connections is optional for a connection point; no client here needs it.
    HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections** connections) override;

    // Calls every sink connected now; a sink that fails or disconnects meanwhile does not stop the others.
    void PageScanned(long page, const std::wstring& path) noexcept;
    void DisconnectAll() noexcept { sinks_.clear(); }

private:
    IConnectionPointContainer& container_;
    std::vector<std::pair<DWORD, ComPtr<IDispatch>>> sinks_;
    DWORD nextCookie_ = 1;
};

// An enumerator over the container's single connection point.
HRESULT EnumerateConnectionPoint(IConnectionPoint* point, IEnumConnectionPoints** enumerator) noexcept;

}  // namespace vantrel
