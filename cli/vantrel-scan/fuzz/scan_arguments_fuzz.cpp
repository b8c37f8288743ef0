// Fuzzes the command-line parser: any arguments give a result or an error, never a crash.
#include "cli/vantrel-scan/scan_arguments.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Zero bytes split the input into arguments; pairs of bytes make UTF-16 units.
    std::vector<std::wstring> arguments(1);
    for (std::size_t i = 0; i + 1 < size; i += 2) {
        const auto unit = static_cast<wchar_t>(data[i] | (data[i + 1] << 8));
        if (unit == 0) arguments.emplace_back();
        else arguments.back().push_back(unit);
    }
    const auto parsed = vantrel::scan::ParseArguments(arguments);
    if (parsed.error.empty() && parsed.arguments.action == vantrel::scan::Action::Scan && parsed.arguments.output.empty()) __builtin_trap();
    return 0;
}
