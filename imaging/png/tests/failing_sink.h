// A sink for tests that stores bytes but fails on its n-th call, to drive every write error path.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "imaging/byte_sink.h"

namespace vantrel::imaging::testing {

class FailingSink final : public ByteSink {
public:
    // failAt 0 never fails; otherwise the failAt-th call to Append or Patch (counting from 1) fails.
    explicit FailingSink(std::uint64_t failAt) : failAt_(failAt) {}

    bool Append(std::span<const std::uint8_t> bytes) override { return Call() && memory_.Append(bytes); }
    bool Patch(std::uint64_t offset, std::span<const std::uint8_t> bytes) override {
        return Call() && memory_.Patch(offset, bytes);
    }
    std::uint64_t Size() const override { return memory_.Size(); }
    std::uint64_t Calls() const { return calls_; }
    const std::vector<std::uint8_t>& Data() const { return memory_.Data(); }

private:
    bool Call() { return ++calls_ != failAt_; }

    std::uint64_t failAt_;
    std::uint64_t calls_ = 0;
    MemorySink memory_;
};

}  // namespace vantrel::imaging::testing
