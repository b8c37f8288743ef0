// Environment variables as wide and narrow text.
#include "scanner/environment.h"

#include <windows.h>

namespace vantrel::scanner {

std::wstring EnvironmentWide(const wchar_t* name) {
    const DWORD needed = ::GetEnvironmentVariableW(name, nullptr, 0);
    if (needed == 0) return {};
    std::wstring value(needed, L'\0');
    const DWORD written = ::GetEnvironmentVariableW(name, value.data(), needed);
    if (written == 0 || written >= needed) return {};
    value.resize(written);
    return value;
}

std::string EnvironmentText(const wchar_t* name) {
    std::string narrow;
    for (wchar_t c : EnvironmentWide(name)) narrow += c < 0x80 ? static_cast<char>(c) : '?';
    return narrow;
}

}  // namespace vantrel::scanner
