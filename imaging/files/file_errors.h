// Plain English for the Win32 errors writing a file can meet, as script users see them.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace vantrel::imaging {

// The cause, without the path: "the disk is full", "the folder does not exist", ...
std::wstring DescribeFileError(DWORD error);

// `Cannot write "<path>": <cause>.` for a Win32 error.
std::wstring FileErrorText(std::wstring_view path, DWORD error);

// Why an existing target cannot be replaced: a folder of that name, a read-only file, a file another program
// holds open (which the move reports as access denied), or else `error` as it is. Empty when `error` is
// ERROR_SUCCESS and nothing stands in the way.
std::wstring ReplaceErrorText(std::wstring_view target, DWORD error);

}  // namespace vantrel::imaging
