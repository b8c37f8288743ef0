// VantrelScan.dll loaded as COM loads it, and the small helpers its tests share.
#pragma once

#include "VantrelScan_h.h"
#include "tests/fixtures/in_process_server.h"
#include "win32/win32_owners.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace scan_tests {

using vantrel::ComPtr;
using vantrel::UniqueBstr;
using vantrel::UniqueVariant;

struct ScanContract {
    using Interface = IScanner;
    static constexpr const wchar_t* kDll = L"VantrelScan.dll";
    static const CLSID& Class() { return CLSID_Scanner; }
    static const IID& Iid() { return IID_IScanner; }
};
using ScanServer = fixtures::InProcessServer<ScanContract>;

// The status a refused scan, source or file fails with (the component's own FACILITY_ITF code).
constexpr HRESULT kScanFailedStatus() { return static_cast<HRESULT>(0x80040201); }

inline std::wstring Text(BSTR text) { return text ? std::wstring(text, ::SysStringLen(text)) : std::wstring(); }

// The description of the thread's error information, which the failing call must have set.
inline std::wstring ErrorDescription() {
    ComPtr<IErrorInfo> info;
    if (::GetErrorInfo(0, info.put()) != S_OK || !info) return L"(no error information)";
    UniqueBstr description;
    info->GetDescription(description.put());
    return Text(description.get());
}

inline VARIANT Str(BSTR text) {
    VARIANT v;
    V_VT(&v) = VT_BSTR;
    V_BSTR(&v) = text;
    return v;
}

inline VARIANT Long(LONG value) {
    VARIANT v;
    V_VT(&v) = VT_I4;
    V_I4(&v) = value;
    return v;
}

// A client's sink of IScannerEvents: records PageScanned, runs the test's handler, and fails the
// test on any other call.
class RecordingSink final : public IDispatch {
public:
    std::vector<std::pair<LONG, std::wstring>> pages;
    std::function<void(LONG)> onPage;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (iid != IID_IUnknown && iid != IID_IDispatch && iid != DIID_IScannerEvents) return E_NOINTERFACE;
        *object = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
    ULONG STDMETHODCALLTYPE Release() override { return --references; }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return Unexpected("GetTypeInfoCount"); }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return Unexpected("GetTypeInfo"); }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return Unexpected("GetIDsOfNames");
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                                     UINT*) override {
        if (id != 1 || flags != DISPATCH_METHOD || !params || params->cArgs != 2 ||
            V_VT(&params->rgvarg[1]) != VT_I4 || V_VT(&params->rgvarg[0]) != VT_BSTR)
            return Unexpected("Invoke with other than PageScanned(Long, String)");
        pages.emplace_back(V_I4(&params->rgvarg[1]), Text(V_BSTR(&params->rgvarg[0])));
        if (onPage) onPage(V_I4(&params->rgvarg[1]));
        return S_OK;
    }

    ULONG references = 0;

private:
    static HRESULT Unexpected(const char* what) {
        ADD_FAILURE() << "the sink did not expect " << what;
        return E_UNEXPECTED;
    }
};

// Connects `sink` to the scanner's connection point for the owner's lifetime.
class Connection {
public:
    Connection(IScanner* scanner, IUnknown* sink) {
        ComPtr<IConnectionPointContainer> container;
        EXPECT_EQ(scanner->QueryInterface(IID_IConnectionPointContainer, container.put_void()), S_OK);
        if (!container) return;
        EXPECT_EQ(container->FindConnectionPoint(DIID_IScannerEvents, point_.put()), S_OK);
        if (point_) {
            EXPECT_EQ(point_->Advise(sink, &cookie_), S_OK);
        }
    }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;
    ~Connection() {
        if (point_ && cookie_) point_->Unadvise(cookie_);
    }

private:
    ComPtr<IConnectionPoint> point_;
    DWORD cookie_ = 0;
};

}  // namespace scan_tests
