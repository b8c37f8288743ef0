// vantrel_bench: measures Vantrel.dll's acquisition and prints the figures as a table.
//   vantrel_bench            every measurement, with repetitions
//   vantrel_bench --smoke    each measurement once on the smallest page, to see that it runs
// The figures are printed, never judged by a test: speed depends on the machine.
#include "tests/fixtures/child_process.h"
#include "bench/batch_measurements.h"
#include "bench/compression_measurements.h"
#include "bench/measurements.h"

#include <cstdio>
#include <cwchar>
#include <exception>
#include <string>

namespace {

using namespace bench;

int FullRuns(const Page& page) {
    const std::size_t bytes = DibBytes(page);
    if (bytes < 2'000'000) return 11;
    if (bytes < 200'000'000) return 7;
    return 5;
}

int SmokeRuns(const Page&) { return 1; }

const Plan kFull{kPages, &FullRuns, 3, 5000, 3, 21, 11};
const Plan kSmoke{std::span<const Page>(kPages).first(1), &SmokeRuns, 1, 200, 1, 1, 1};

void PrintPlatform() {
    SYSTEM_INFO system{};
    ::GetNativeSystemInfo(&system);
    MEMORYSTATUSEX memory{};
    memory.dwLength = sizeof memory;
    ::GlobalMemoryStatusEx(&memory);
    std::string platform = "Windows";
    using WineVersion = const char*(__cdecl*)();
    if (const auto version = reinterpret_cast<WineVersion>(
            reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "wine_get_version"))))
        platform = std::string("Wine ") + version();
    std::printf("Seen from the program: %s, %lu processors, %llu MB of memory\n\n", platform.c_str(),
                system.dwNumberOfProcessors, memory.ullTotalPhys >> 20);
}

int RunAll(const Plan& plan) {
    PrintPlatform();
    std::vector<Row> rows;
    bool complete = true;
    for (auto measure : {&MeasureFileDelivery, &MeasureClipboardDelivery, &MeasureExtraMemory, &MeasureWaitingCpu,
                         &MeasureLatency, &MeasureCreateDestroy, &MeasureBatchLoop, &MeasureBatchMemory,
                         &MeasureScannerCompression}) {
        for (Row& row : measure(plan)) {
            complete = complete && row.value.count > 0;
            rows.push_back(std::move(row));
        }
    }
    PrintTable(rows);
    // Incomplete means something did not work; a missed target is a figure, not a failure.
    return complete ? 0 : 1;
}

int Run(int argc, wchar_t** argv) {
    const std::wstring mode = argc > 1 ? argv[1] : L"";
    if (mode.empty()) return RunAll(kFull);
    if (mode == L"--smoke") return RunAll(kSmoke);
    if (mode == L"--memory" && argc == 4) {
        const unsigned long index = std::wcstoul(argv[2], nullptr, 10);
        if (index >= std::size(kPages)) return 2;
        const std::wstring probe = argv[3];
        if (probe == L"file") return MemoryChild(kPages[index], MemoryProbe::File);
        if (probe == L"clipboard") return MemoryChild(kPages[index], MemoryProbe::Clipboard);
        if (probe == L"control") return MemoryChild(kPages[index], MemoryProbe::Control);
        if (probe == L"copy") return MemoryChild(kPages[index], MemoryProbe::Copy);
    }
    if (mode == L"--batch" && argc == 6)
        return BatchChild(std::max(1, _wtoi(argv[2])), std::max(1, _wtoi(argv[3])), argv[4], argv[5]);
    if (mode == L"--compression" && argc == 5) return CompressionChild(argv[2], argv[3], std::max(1, _wtoi(argv[4])));
    if (mode == L"--create-destroy" && argc == 3) return CreateDestroyChild(std::max(1, _wtoi(argv[2])));
    std::fprintf(stderr, "usage: vantrel_bench [--smoke]\n");
    return 2;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    try {
        return Run(argc, argv);
    } catch (const std::exception& error) {
        // A file the benchmark could not remove, memory it could not get: say so and stop.
        std::fprintf(stderr, "vantrel_bench: %s\n", error.what());
        return 1;
    }
}
