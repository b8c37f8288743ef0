// Running this program again with its standard output on a pipe.
#include "bench/child_run.h"

#include "tests/fixtures/child_process.h"
#include "win32/win32_owners.h"

#include <filesystem>

namespace bench {

namespace {

ChildRun Run(const std::filesystem::path& program, const std::wstring& arguments) {
    ChildRun run;
    SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!::CreatePipe(&readEnd, &writeEnd, &inheritable, 0)) return run;
    vantrel::UniqueKernelObject reader(readEnd);
    vantrel::UniqueKernelObject writer(writeEnd);
    ::SetHandleInformation(reader.get(), HANDLE_FLAG_INHERIT, 0);

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = writer.get();
    startup.hStdError = ::GetStdHandle(STD_ERROR_HANDLE);
    std::wstring line = L"\"" + program.wstring() + L"\" " + arguments;
    PROCESS_INFORMATION process{};
    if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process))
        return run;
    vantrel::UniqueKernelObject processHandle(process.hProcess);
    vantrel::UniqueKernelObject threadHandle(process.hThread);
    writer.reset();  // the child holds the only write end: end of file when it ends

    char buffer[4096];
    DWORD got = 0;
    while (::ReadFile(reader.get(), buffer, sizeof buffer, &got, nullptr) && got > 0) run.output.append(buffer, got);
    ::WaitForSingleObject(processHandle.get(), INFINITE);
    ::GetExitCodeProcess(processHandle.get(), &run.exitCode);
    return run;
}

}  // namespace

ChildRun RunSelf(const std::wstring& arguments) {
    return Run(fixtures::ProgramDirectory() / L"vantrel_bench.exe", arguments);
}

ChildRun RunWithSystemDsm(const std::wstring& arguments) {
    return Run(fixtures::ProgramDirectory() / L"system_dsm" / L"vantrel_bench.exe", arguments);
}

}  // namespace bench
