// Finding the module the data source's code lives in, and the windows of its own classes.
#include "scanner/owners.h"

namespace vantrel::scanner {

HINSTANCE ThisModule() noexcept {
    HMODULE module = nullptr;
    ::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                         reinterpret_cast<LPCWSTR>(&ThisModule), &module);
    return module;
}

namespace {

WNDCLASSEXW Describe(WNDPROC procedure, LPCWSTR cursor, const wchar_t* className) noexcept {
    WNDCLASSEXW description{};
    description.cbSize = sizeof description;
    description.lpfnWndProc = procedure;
    description.hInstance = ThisModule();
    description.hCursor = ::LoadCursorW(nullptr, cursor);
    description.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    description.lpszClassName = className;
    return description;
}

}  // namespace

OwnWindow::OwnWindow(WNDPROC procedure, LPCWSTR cursor, const wchar_t* className) noexcept
    : windowClass_(Describe(procedure, cursor, className)) {}

}  // namespace vantrel::scanner
