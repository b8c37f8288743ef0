// The boundary no C++ exception crosses, and text handed out as a BSTR the caller owns.
#pragma once

#include "win32/win32_owners.h"

#include <windows.h>

#include <new>
#include <string>

namespace vantrel::com {

// Runs a member's body and turns what it throws into a failing status, without error information.
template <typename Body>
HRESULT Guarded(Body body) noexcept {
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_FAIL;
    }
}

inline HRESULT HandOut(const std::wstring& text, BSTR* value) {
    *value = MakeBstr(text).release();
    return *value ? S_OK : E_OUTOFMEMORY;
}

}  // namespace vantrel::com
