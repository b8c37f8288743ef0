// Counts what one module allocates through its imports: its import address table is pointed at
// counting wrappers for as long as the counter lives.
#pragma once

#include <windows.h>

#include <cstddef>
#include <utility>
#include <vector>

namespace bench {

class AllocationCounter {
public:
    explicit AllocationCounter(HMODULE module);
    AllocationCounter(const AllocationCounter&) = delete;
    AllocationCounter& operator=(const AllocationCounter&) = delete;
    ~AllocationCounter();

    // Whether every allocation function the module imports is counted.
    bool complete() const { return complete_; }

    // The peak restarts from what the module holds now.
    void StartPeak();
    // Bytes the module held at most since StartPeak, beyond what it held then.
    std::size_t Peak() const;

private:
    std::vector<std::pair<void**, void*>> patched_;  // import slot, original target
    bool complete_ = true;
};

}  // namespace bench
