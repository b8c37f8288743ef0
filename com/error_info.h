// Failing the COM way: a failure status plus an IErrorInfo whose description a person can act on.
#pragma once

#include <windows.h>

#include <new>
#include <string>

namespace vantrel::com {

// Records `description` as the thread's error information for `iid`, with this server as its
// source, and returns `status`.
HRESULT RaiseError(REFIID iid, const std::wstring& description, HRESULT status) noexcept;

// Guarded with error information: the caller learns what went wrong, not only that it did.
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

}  // namespace vantrel::com
