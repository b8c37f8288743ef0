// libFuzzer target: PlanBmpFile on arbitrary blocks, checking the plan against the block it came from.
#include "imaging/bmp/dib_layout.h"
#include "imaging/tests/fuzz_require.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

using vantrel::imaging::testing::Require;

std::uint32_t HeaderU32(const vantrel::BmpLayout& plan, std::size_t at) {
    return static_cast<std::uint32_t>(plan.fileHeader[at]) | static_cast<std::uint32_t>(plan.fileHeader[at + 1]) << 8 |
           static_cast<std::uint32_t>(plan.fileHeader[at + 2]) << 16 |
           static_cast<std::uint32_t>(plan.fileHeader[at + 3]) << 24;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto plan = vantrel::PlanBmpFile({data, size});
    if (!plan) return 0;
    Require(plan->dibBytes <= size);
    const std::uint64_t fileBytes = std::uint64_t{plan->dibBytes} + 14;
    Require(fileBytes <= 0x7FFFFFFF && plan->bfOffBits <= fileBytes);
    Require(plan->fileHeader[0] == 'B' && plan->fileHeader[1] == 'M');
    Require(HeaderU32(*plan, 2) == fileBytes && HeaderU32(*plan, 6) == 0 && HeaderU32(*plan, 10) == plan->bfOffBits);
    // Read what a writer would copy, so AddressSanitizer sees any byte past the input.
    volatile std::uint8_t sink = 0;
    for (std::size_t i = 0; i < plan->dibBytes; ++i) sink = sink ^ data[i];
    return 0;
}
