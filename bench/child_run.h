// Measurements that need a process of their own run this program again and read what it prints.
#pragma once

#include <windows.h>

#include <string>

namespace bench {

struct ChildRun {
    DWORD exitCode = 0xFFFFFFFF;  // also when it could not start
    std::string output;           // its standard output
};

// Runs this program with `arguments`.
ChildRun RunSelf(const std::wstring& arguments);

// Runs the copy of this program kept where no stand-in DSM lies beside it, so that Vantrel.dll
// finds the system's own DSM.
ChildRun RunWithSystemDsm(const std::wstring& arguments);

}  // namespace bench
