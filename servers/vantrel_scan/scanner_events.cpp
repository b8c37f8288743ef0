// The Scanner's one connection point: the clients' sinks of IScannerEvents, and raising PageScanned.
#include "servers/vantrel_scan/scanner_events.h"

#include "com/list_enumerator.h"

#include <olectl.h>


namespace vantrel {

HRESULT ScannerEvents::QueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (iid != IID_IUnknown && iid != IID_IConnectionPoint) return E_NOINTERFACE;
    *object = static_cast<IConnectionPoint*>(this);
    AddRef();
    return S_OK;
}

HRESULT ScannerEvents::GetConnectionInterface(IID* iid) {
    if (!iid) return E_POINTER;
    *iid = DIID_IScannerEvents;
    return S_OK;
}

HRESULT ScannerEvents::GetConnectionPointContainer(IConnectionPointContainer** container) {
    if (!container) return E_POINTER;
    container_.AddRef();
    *container = &container_;
    return S_OK;
}

HRESULT ScannerEvents::Advise(IUnknown* sink, DWORD* cookie) {
    if (!cookie) return E_POINTER;
    *cookie = 0;
    if (!sink) return E_POINTER;
    ComPtr<IDispatch> events;
    // Script hosts hand over a plain IDispatch that answers the event's dispatch id.
    if (FAILED(sink->QueryInterface(DIID_IScannerEvents, events.put_void())) &&
        FAILED(sink->QueryInterface(IID_IDispatch, events.put_void())))
        return CONNECT_E_CANNOTCONNECT;
    try {
        sinks_.emplace_back(nextCookie_, events);
    } catch (...) {
        return E_OUTOFMEMORY;
    }
    *cookie = nextCookie_++;
    return S_OK;
}

HRESULT ScannerEvents::Unadvise(DWORD cookie) {
    for (auto it = sinks_.begin(); it != sinks_.end(); ++it) {
        if (it->first != cookie) continue;
        sinks_.erase(it);
        return S_OK;
    }
    return CONNECT_E_NOCONNECTION;
}

HRESULT ScannerEvents::EnumConnections(IEnumConnections** connections) {
    if (connections) *connections = nullptr;
    return E_NOTIMPL;
}

void ScannerEvents::PageScanned(long page, const std::wstring& path) noexcept {
    try {
        // A handler may connect or disconnect sinks while it runs: call the ones connected now.
        const auto sinks = sinks_;
        for (const auto& [cookie, sink] : sinks) {
            UniqueBstr text = MakeBstr(path);
            if (!text) return;
            VARIANT arguments[2];  // in reverse order, as IDispatch::Invoke takes them
            V_VT(&arguments[0]) = VT_BSTR;
            V_BSTR(&arguments[0]) = text.get();
            V_VT(&arguments[1]) = VT_I4;
            V_I4(&arguments[1]) = page;
            DISPPARAMS params{arguments, nullptr, 2, 0};
            UniqueVariant ignored;
            sink->Invoke(1, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, ignored.put(), nullptr, nullptr);
        }
    } catch (...) {
        // Out of memory for the copy: the event is lost, the scan goes on.
    }
}

namespace {

HRESULT HandOutPoint(IConnectionPoint* const& point, IConnectionPoint** element) {
    point->AddRef();
    *element = point;
    return S_OK;
}

void ReleasePoint(IConnectionPoint** element) { (*element)->Release(); }

using PointEnumerator = com::ListEnumerator<IEnumConnectionPoints, &IID_IEnumConnectionPoints, IConnectionPoint*,
                                            IConnectionPoint*, &HandOutPoint, &ReleasePoint>;

}  // namespace

HRESULT EnumerateConnectionPoint(IConnectionPoint* point, IEnumConnectionPoints** enumerator) noexcept {
    if (!enumerator) return E_POINTER;
    *enumerator = nullptr;
    try {
        // The point lives inside its container, which the enumerator keeps alive through it.
        ComPtr<IUnknown> owner;
        point->QueryInterface(IID_IUnknown, owner.put_void());
        return PointEnumerator::Create(std::make_shared<const std::vector<IConnectionPoint*>>(1, point), owner, enumerator);
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

}  // namespace vantrel
