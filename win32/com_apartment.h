// A single-threaded COM apartment entered for the owner's lifetime.
#pragma once

#include <objbase.h>
#include <windows.h>

namespace vantrel {

// Every COM pointer of the thread must be released before this owner goes: declare it first.
class ComApartment {
public:
    ComApartment() noexcept : status_(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;
    // S_FALSE (the thread was already in an apartment) counts too: each success needs its own
    // CoUninitialize.
    ~ComApartment() {
        if (SUCCEEDED(status_)) ::CoUninitialize();
    }

    HRESULT status() const noexcept { return status_; }
    explicit operator bool() const noexcept { return SUCCEEDED(status_); }

private:
    HRESULT status_;
};

}  // namespace vantrel
