// What the program says, and does, when a call into the component fails.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace demo {

// "_TWAIN.Acquire failed with HRESULT 0x80004005." for the call L"_TWAIN.Acquire".
std::wstring ComFailureText(HRESULT status, std::wstring_view call);

// A failing status leaves the program in a state nobody planned for: tell the user and end.
// Returns when the status is a success.
void EndOnFailure(HWND owner, HRESULT status, std::wstring_view call);

}  // namespace demo
