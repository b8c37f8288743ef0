// The triplet log file and environment lookups.
#include "triplet_log.h"

#include "owners.h"

#include <vector>

namespace vantrel::scanner {
namespace {

std::wstring EnvironmentWide(const wchar_t* name) {
    const DWORD needed = ::GetEnvironmentVariableW(name, nullptr, 0);
    if (needed == 0) return {};
    std::wstring value(needed, L'\0');
    const DWORD written = ::GetEnvironmentVariableW(name, value.data(), needed);
    if (written == 0 || written >= needed) return {};
    value.resize(written);
    return value;
}

}  // namespace

std::string EnvironmentText(const wchar_t* name) {
    const std::wstring wide = EnvironmentWide(name);
    // The values the source reads are ASCII ("color", "400x300"); anything else will not parse.
    std::string narrow;
    for (wchar_t c : wide) narrow += c < 0x80 ? static_cast<char>(c) : '?';
    return narrow;
}

void AppendLogLine(const std::string& line) noexcept {
    try {
        const std::wstring path = EnvironmentWide(L"VANTREL_SCANNER_LOG");
        if (path.empty()) return;
        OwnedFile file(::CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                     OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) return;
        const std::string text = line + "\n";
        DWORD written = 0;
        ::WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    } catch (...) {
        // Logging never changes what the source answers.
    }
}

}  // namespace vantrel::scanner
