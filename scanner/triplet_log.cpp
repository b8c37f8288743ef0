// The triplet log file.
#include "scanner/triplet_log.h"

#include "scanner/environment.h"
#include "scanner/owners.h"

namespace vantrel::scanner {

void AppendLogLine(const std::string& line) noexcept {
    try {
        const std::wstring path = EnvironmentWide(L"VANTREL_SCANNER_LOG");
        if (path.empty()) return;
        UniqueFile file(::CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
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
