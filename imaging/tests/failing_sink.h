// A sink for tests that keeps the bytes but fails its n-th call, to walk a writer through every failure.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "imaging/byte_sink.h"

namespace vantrel::imaging::testing {

class FailingSink final : public ByteSink {
public:
    // failAt 0 never fails; otherwise the failAt-th call to Append or Patch (counting from 1) fails.
    explicit FailingSink(std::uint64_t failAt) : failAt_(failAt) {}

    bool Append(std::span<const std::uint8_t> bytes) override { return ++calls_ != failAt_ && memory_.Append(bytes); }
    bool Patch(std::uint64_t offset, std::span<const std::uint8_t> bytes) override {
        return ++calls_ != failAt_ && memory_.Patch(offset, bytes);
    }
    std::uint64_t Size() const override { return memory_.Size(); }
    std::uint64_t Calls() const { return calls_; }

private:
    std::uint64_t failAt_;
    std::uint64_t calls_ = 0;
    MemorySink memory_;
};

// Runs `write` (true when the whole file was written) on a sink that never fails, then once with each of those
// calls failing: every such run must fail and call the sink no more. Empty when so, else what went wrong.
template <typename Write>
std::string FailureAtEveryCall(Write write) {
    FailingSink whole(0);
    if (!write(whole)) return "fails with no failing call";
    if (whole.Calls() < 3) return "too few calls to tell";
    for (std::uint64_t n = 1; n <= whole.Calls(); ++n) {
        FailingSink sink(n);
        if (write(sink)) return "succeeds although call " + std::to_string(n) + " failed";
        if (sink.Calls() != n) return "kept writing after call " + std::to_string(n) + " failed";
    }
    return "";
}

}  // namespace vantrel::imaging::testing
