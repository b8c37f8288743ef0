// The program's directory, its INI file and the temporary directory, as the window reads them.
#include "demo/ini_text.h"

#include "win32/module_file_name.h"

#include <windows.h>

namespace demo {

std::wstring ModuleDirectory(std::wstring_view modulePath) {
    const auto slash = modulePath.find_last_of(L"\\/");
    if (slash == std::wstring_view::npos) return {};
    std::wstring directory(modulePath.substr(0, slash));
    if (directory.size() == 2 && directory[1] == L':') directory += L'\\';
    return directory;
}

std::wstring AppPathFrom(std::wstring_view directory) {
    std::wstring path(directory);
    if (path.size() != 3) path += L'\\';
    return path;
}

std::wstring IniPathFor(std::wstring_view appPath, std::wstring_view modulePath) {
    const auto slash = modulePath.find_last_of(L"\\/");
    std::wstring_view name = slash == std::wstring_view::npos ? modulePath : modulePath.substr(slash + 1);
    const auto dot = name.find_last_of(L'.');
    if (dot != std::wstring_view::npos) name = name.substr(0, dot);
    return std::wstring(appPath) + std::wstring(name) + L".ini";
}

std::wstring ModulePath() { return vantrel::ModuleFileName(nullptr); }

std::wstring AppPath() { return AppPathFrom(ModuleDirectory(ModulePath())); }

std::wstring GetIniText(const std::wstring& section, const std::wstring& key) {
    const std::wstring file = IniPathFor(AppPath(), ModulePath());
    wchar_t buffer[256] = {};
    const DWORD n = ::GetPrivateProfileStringW(section.c_str(), key.c_str(), L"", buffer, 256, file.c_str());
    return std::wstring(buffer, n);
}

std::wstring GetTempDir() {
    std::wstring buffer(260, L'\0');
    DWORD n = ::GetTempPathW(static_cast<DWORD>(buffer.size()), buffer.data());
    // Too small a buffer is answered with the size needed, the terminator included.
    if (n > buffer.size()) {
        buffer.resize(n);
        n = ::GetTempPathW(static_cast<DWORD>(buffer.size()), buffer.data());
        if (n >= buffer.size()) return {};
    }
    if (n == 0) return {};
    buffer.resize(n);
    return buffer;
}

}  // namespace demo
