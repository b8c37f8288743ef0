// The program's directory, its INI file and the temporary directory, as the window reads them.
#pragma once

#include <string>
#include <string_view>

namespace demo {

// The directory part of a module path; a drive root keeps its backslash ("C:\x.exe" gives "C:\").
std::wstring ModuleDirectory(std::wstring_view modulePath);

// The program directory ending in a backslash: a drive root ("C:\", exactly 3 characters) is
// already one, anything else gets a backslash appended.
std::wstring AppPathFrom(std::wstring_view directory);

// AppPath + the executable's file name without its extension + ".ini", so a renamed program
// reads the INI file of its new name.
std::wstring IniPathFor(std::wstring_view appPath, std::wstring_view modulePath);

// The running program's full path, however long.
std::wstring ModulePath();

std::wstring AppPath();

// Up to 255 characters of [section] key in the program's INI file; "" when the file, the
// section or the key is missing.
std::wstring GetIniText(const std::wstring& section, const std::wstring& key);

// The temporary directory ending in a backslash, or "" when Windows has none.
std::wstring GetTempDir();

}  // namespace demo
