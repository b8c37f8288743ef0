// vantrel-acquire: scans one image from the command line through Vantrel.TWAIN, early-bound.
// Exit status: 0 acquired, 1 cancelled by the user, 2 failed.
#include "Vantrel_h.h"
#include "win32/com_apartment.h"
#include "win32/win32_owners.h"

#include <cstdio>
#include <string>

namespace {

using vantrel::ComPtr;
using vantrel::UniqueBstr;
using vantrel::UniqueWindow;

constexpr int kAcquired = 0;
constexpr int kCancelled = 1;
constexpr int kFailed = 2;

struct Options {
    bool select = false;
    bool showUi = false;
    bool progress = true;
    bool clipboard = false;
    std::wstring file;
};

void Usage() {
    std::fwprintf(stderr, L"usage: vantrel-acquire [--select] [--show-ui] [--no-progress] (FILE.bmp | --clipboard)\n");
}

bool Parse(int argc, wchar_t** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::wstring arg = argv[i];
        if (arg == L"--select") options.select = true;
        else if (arg == L"--show-ui") options.showUi = true;
        else if (arg == L"--no-progress") options.progress = false;
        else if (arg == L"--clipboard") options.clipboard = true;
        else if (!arg.empty() && arg[0] != L'-' && options.file.empty()) options.file = arg;
        else return false;
    }
    return options.clipboard != !options.file.empty();
}

// The source's dialogs need an owner; a console program has none, so it makes a hidden one.
UniqueWindow HiddenOwner() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = ::DefWindowProcW;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = L"VantrelAcquireOwner";
    ::RegisterClassW(&wc);
    return UniqueWindow(::CreateWindowW(wc.lpszClassName, L"vantrel-acquire", WS_OVERLAPPED, 0, 0, 0, 0, nullptr,
                                        nullptr, wc.hInstance, nullptr));
}

int Fail(const wchar_t* what, HRESULT hr) {
    std::fwprintf(stderr, L"vantrel-acquire: %ls failed (0x%08lX)\n", what, static_cast<unsigned long>(hr));
    return kFailed;
}

int Run(const Options& options) {
    ComPtr<_TWAIN> twain;
    HRESULT hr = ::CoCreateInstance(CLSID_TWAIN, nullptr, CLSCTX_INPROC_SERVER, IID__TWAIN, twain.put_void());
    if (FAILED(hr)) {
        std::fwprintf(stderr, L"vantrel-acquire: Vantrel.TWAIN is not registered (regsvr32 Vantrel.dll) (0x%08lX)\n",
                      static_cast<unsigned long>(hr));
        return kFailed;
    }
    // Declared after the object, so the window goes first, after Destroy on the way out.
    const UniqueWindow owner = HiddenOwner();
    UniqueBstr application(::SysAllocString(L"vantrel-acquire"));
    if (FAILED(hr = twain->put_Application(application.get()))) return Fail(L"Application", hr);
    if (FAILED(hr = twain->put_OwnerHwnd(static_cast<LONG>(reinterpret_cast<std::uintptr_t>(owner.get()))))) return Fail(L"OwnerHwnd", hr);
    if (FAILED(hr = twain->put_Interface(options.showUi ? VARIANT_TRUE : VARIANT_FALSE))) return Fail(L"Interface", hr);
    if (FAILED(hr = twain->put_ProgressDialog(options.progress ? VARIANT_TRUE : VARIANT_FALSE))) return Fail(L"ProgressDialog", hr);

    VARIANT_BOOL created = VARIANT_FALSE;
    if (FAILED(hr = twain->Create(&created))) return Fail(L"Create", hr);
    if (created != VARIANT_TRUE) {
        std::fwprintf(stderr, L"vantrel-acquire: the TWAIN Data Source Manager (Twain_32.dll) could not be opened\n");
        return kFailed;
    }

    int status = kAcquired;
    short result = -1;
    if (options.select) {
        if (FAILED(hr = twain->SelectSource(&result))) status = Fail(L"SelectSource", hr);
        else if (result == 0) {
            std::fwprintf(stderr, L"vantrel-acquire: no source chosen\n");
            status = kCancelled;
        } else if (result != 1) {
            std::fwprintf(stderr, L"vantrel-acquire: choosing a source failed\n");
            status = kFailed;
        }
    }
    if (status == kAcquired) {
        UniqueBstr file(::SysAllocString(options.file.c_str()));
        if (FAILED(hr = twain->Acquire(file.get(), &result))) status = Fail(L"Acquire", hr);
        else if (result == 1) std::fwprintf(stdout, L"%ls\n", options.clipboard ? L"acquired onto the clipboard" : options.file.c_str());
        else if (result == 0) {
            std::fwprintf(stderr, L"vantrel-acquire: cancelled\n");
            status = kCancelled;
        } else {
            std::fwprintf(stderr, L"vantrel-acquire: acquisition failed\n");
            status = kFailed;
        }
    }
    twain->Destroy();
    return status;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    Options options;
    if (!Parse(argc, argv, options)) {
        Usage();
        return kFailed;
    }
    // Run's COM pointers are all gone when it returns, before the apartment is left.
    const vantrel::ComApartment apartment;
    if (!apartment) return kFailed;
    return Run(options);
}
