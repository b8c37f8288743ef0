// Failing the COM way: a failure status plus an IErrorInfo whose description a person can act on,
// and the boundary no C++ exception crosses.
#pragma once

#include <windows.h>

#include <new>
#include <string>

namespace vantrel {

// What a scan, a source or a file refused; bad arguments are E_INVALIDARG.
constexpr HRESULT kScanFailed = MAKE_HRESULT(SEVERITY_ERROR, FACILITY_ITF, 0x0201);

// Records `description` as the thread's error information for `iid` and returns `status`.
HRESULT RaiseError(REFIID iid, const std::wstring& description, HRESULT status = kScanFailed) noexcept;

template <typename Body>
HRESULT Guarded(REFIID iid, Body body) noexcept {
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return RaiseError(iid, L"There is not enough memory.", E_OUTOFMEMORY);
    } catch (...) {
        return RaiseError(iid, L"An unexpected internal error occurred.", E_UNEXPECTED);
    }
}

}  // namespace vantrel
