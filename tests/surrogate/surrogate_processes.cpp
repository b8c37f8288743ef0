#include "tests/surrogate/surrogate_processes.h"

#include "win32/win32_owners.h"

#include <tlhelp32.h>

#include <cwchar>

namespace surrogate_tests {

std::set<DWORD> RunningSurrogates() {
    std::set<DWORD> found;
    const HANDLE taken = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (taken == INVALID_HANDLE_VALUE) return found;
    vantrel::UniqueKernelObject snapshot(taken);
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = ::Process32FirstW(snapshot.get(), &entry); more; more = ::Process32NextW(snapshot.get(), &entry))
        if (::_wcsicmp(entry.szExeFile, L"dllhost.exe") == 0) found.insert(entry.th32ProcessID);
    return found;
}

bool IsWow64Program(DWORD processId) {
    vantrel::UniqueKernelObject process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
    BOOL wow64 = FALSE;
    return process && ::IsWow64Process(process.get(), &wow64) && wow64;
}

std::set<DWORD> SurrogateReaper::New() const {
    std::set<DWORD> started;
    for (DWORD id : RunningSurrogates())
        if (!before_.count(id)) started.insert(id);
    return started;
}

void SurrogateReaper::EndNew() const {
    for (DWORD id : New()) {
        vantrel::UniqueKernelObject process(::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id));
        if (!process) continue;
        ::TerminateProcess(process.get(), 0);
        ::WaitForSingleObject(process.get(), 5000);
    }
}

}  // namespace surrogate_tests
