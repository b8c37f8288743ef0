// libFuzzer target: PlanBmpFile on arbitrary blocks, checking the plan against the block it came from.
#include "imaging/bmp/dib_layout.h"
#include "imaging/bmp/tests/dib_builder.h"
#include "imaging/tests/fuzz_require.h"

#include <cstddef>
#include <cstdint>

using vantrel::imaging::testing::Require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto plan = vantrel::PlanBmpFile({data, size});
    if (!plan) return 0;
    Require(plan->dibBytes <= size);
    const std::uint64_t fileBytes = std::uint64_t{plan->dibBytes} + 14;
    Require(fileBytes <= 0x7FFFFFFF && plan->bfOffBits <= fileBytes);
    Require(plan->fileHeader == vantrel::imaging::testing::FileHeader(fileBytes, plan->bfOffBits));
    // Read what a writer would copy, so AddressSanitizer sees any byte past the input.
    volatile std::uint8_t sink = 0;
    for (std::size_t i = 0; i < plan->dibBytes; ++i) sink = sink ^ data[i];
    return 0;
}
