// What the program says, and does, when a call into the component fails.
#include "demo/com_failure.h"

#include "demo/messages.h"

#include <cwchar>

namespace demo {

std::wstring ComFailureText(HRESULT status, std::wstring_view call) {
    wchar_t hex[16] = {};
    std::swprintf(hex, std::size(hex), L"0x%08lX", static_cast<unsigned long>(status));
    return std::wstring(call) + L" failed with HRESULT " + hex + L".";
}

void EndOnFailure(HWND owner, HRESULT status, std::wstring_view call) {
    if (SUCCEEDED(status)) return;
    ::MessageBoxW(owner && ::IsWindow(owner) ? owner : nullptr, ComFailureText(status, call).c_str(), kTitle,
                  MB_OK | MB_ICONERROR);
    ::ExitProcess(static_cast<UINT>(status));
}

}  // namespace demo
