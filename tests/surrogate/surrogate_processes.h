// The COM surrogates (dllhost.exe) a test starts: which ones are new, whether they are 32-bit
// programs, and ending them, since Wine's surrogate never exits on its own.
#pragma once

#include <windows.h>

#include <set>

namespace surrogate_tests {

// The process ids of every running dllhost.exe.
std::set<DWORD> RunningSurrogates();

// Whether the process runs as a 32-bit program on 64-bit Windows (WoW64); false when it cannot be asked.
bool IsWow64Program(DWORD processId);

// Ends, when it goes, every surrogate that was not running when it was made.
class SurrogateReaper {
public:
    SurrogateReaper() : before_(RunningSurrogates()) {}
    SurrogateReaper(const SurrogateReaper&) = delete;
    SurrogateReaper& operator=(const SurrogateReaper&) = delete;
    ~SurrogateReaper() { EndNew(); }

    // The surrogates started since this reaper was made.
    std::set<DWORD> New() const;
    void EndNew() const;

private:
    std::set<DWORD> before_;
};

}  // namespace surrogate_tests
