// What the program says, and does, when a call into the component fails.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace demo {

// "_TWAIN.Acquire failed with HRESULT 0x80004005." for member L"Acquire".
std::wstring ComFailureText(HRESULT status, std::wstring_view member);

// A failing status leaves the program in a state nobody planned for: tell the user and end.
// Returns when the status is a success.
void EndOnFailure(HWND owner, HRESULT status, std::wstring_view member);

}  // namespace demo
