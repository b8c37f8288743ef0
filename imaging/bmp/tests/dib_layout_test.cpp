// Planning BMP files for packed DIBs: byte counts, file headers and the DIBs that are refused.
#include "imaging/bmp/dib_layout.h"

#include <gtest/gtest.h>

#include "imaging/bmp/tests/dib_builder.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstdint>
#include <vector>

namespace vantrel::imaging {
namespace {

using testing::Bytes;
using testing::Dib;

constexpr std::uint32_t kMbed = 0x4D424544;

Bytes Block(const Dib& d, std::size_t size) { return d.Block(size); }

struct Planned {
    const char* name;
    Dib dib;
    std::uint32_t bfOffBits;
    std::uint32_t dibBytes;
};

// Expectations are written as header + masks + table + pixels (stride * rows).
const std::vector<Planned>& PlannedCases() {
    static const std::vector<Planned> cases = {
        {"1 bit, 8x2", {.width = 8, .height = 2, .bits = 1}, 14 + 40 + 2 * 4, 40 + 8 + 4 * 2},
        {"4 bit, 3x2 top-down", {.width = 3, .height = -2, .bits = 4}, 14 + 40 + 64, 40 + 64 + 4 * 2},
        {"8 bit, 3 colours used", {.width = 5, .bits = 8, .clrUsed = 3}, 14 + 40 + 12, 40 + 12 + 8 * 1},
        {"16 bit, 3x2", {.width = 3, .height = 2, .bits = 16}, 14 + 40, 40 + 8 * 2},
        {"24 bit, 5x3 top-down", {.width = 5, .height = -3}, 14 + 40, 40 + 16 * 3},
        {"32 bit with an optional table", {.width = 2, .height = 2, .bits = 32, .clrUsed = 2}, 14 + 40 + 8, 40 + 8 + 8 * 2},
        {"RLE8 keeps biSizeImage", {.bits = 8, .compression = 1, .sizeImage = 50}, 14 + 40 + 1024, 40 + 1024 + 50},
        {"bitfields after a 40-byte header", {.width = 4, .height = 2, .bits = 16, .compression = 3}, 14 + 40 + 12, 40 + 12 + 8 * 2},
        {"alpha bitfields after a 40-byte header", {.bits = 32, .compression = 6}, 14 + 40 + 16, 40 + 16 + 4},
        {"Adobe 52-byte header holds RGB masks", {.headerSize = 52, .width = 2, .bits = 16, .compression = 3}, 14 + 52, 52 + 4},
        {"Adobe 52-byte header, alpha mask follows", {.headerSize = 52, .bits = 32, .compression = 6}, 14 + 52 + 4, 52 + 4 + 4},
        {"V4 bitfields, top-down", {.headerSize = 108, .width = 2, .height = -2, .bits = 32, .compression = 3}, 14 + 108, 108 + 8 * 2},
        {"V5, 8 bit full table", {.headerSize = 124, .width = 4, .bits = 8}, 14 + 124 + 1024, 124 + 1024 + 4},
        {"V5 with its profile after the pixels", {.headerSize = 124, .colorSpace = kMbed, .profileData = 124 + 4, .profileSize = 20}, 14 + 124, 124 + 4 + 20},
        {"core header, 8 bit", {.headerSize = 12, .width = 3, .height = 2, .bits = 8}, 14 + 12 + 256 * 3, 12 + 768 + 4 * 2},
        {"core header, 24 bit", {.headerSize = 12}, 14 + 12, 12 + 4},
    };
    return cases;
}

TEST(DibLayout, PlansEachDepthHeaderAndTableFromTheDibAlone) {
    for (const auto& c : PlannedCases()) {
        const auto plan = PlanBmpFile(Block(c.dib, c.dibBytes + 7));  // GlobalSize may round the block up
        ASSERT_TRUE(plan) << c.name;
        EXPECT_EQ(plan->dibBytes, c.dibBytes) << c.name;
        EXPECT_EQ(plan->bfOffBits, c.bfOffBits) << c.name;
        EXPECT_EQ(plan->fileHeader, testing::FileHeader(c.dibBytes + 14, c.bfOffBits)) << c.name;
    }
}

TEST(DibLayout, RefusesAHeaderThatAnnouncesMoreThanTheBlockHolds) {
    for (const auto& c : PlannedCases()) EXPECT_FALSE(PlanBmpFile(Block(c.dib, c.dibBytes - 1))) << c.name;
}

TEST(DibLayout, RefusesMalformedHeaders) {
    const struct { const char* name; Dib dib; std::size_t blockSize; } cases[] = {
        {"shorter than biSize", {}, 3},
        {"cut inside the header", {}, 39},
        {"core header cut", {.headerSize = 12}, 11},
        {"biSize 64", {.headerSize = 64}, 256},
        {"width 0", {.width = 0}, 64},
        {"negative width", {.width = -1}, 64},
        {"height 0", {.height = 0}, 64},
        {"core width 0", {.headerSize = 12, .width = 0}, 64},
        {"2 bits", {.bits = 2}, 64},
        {"0 bits uncompressed", {.bits = 0, .sizeImage = 4}, 64},
        {"bit count negative as int16", {.bits = 0xFFFF}, 64},
        {"16 bit core header", {.headerSize = 12, .bits = 16}, 64},
        {"unknown compression", {.compression = 11, .sizeImage = 4}, 64},
        {"1 bit, 3 colours used", {.bits = 1, .clrUsed = 3}, 64},
        {"RLE8 without biSizeImage", {.bits = 8, .compression = 1}, 2048},
        {"JPEG without biSizeImage", {.bits = 0, .compression = 4}, 2048},
    };
    for (const auto& c : cases) EXPECT_FALSE(PlanBmpFile(Block(c.dib, c.blockSize))) << c.name;
}

// Each of these comes out small enough for the block if a 32-bit sum or product wraps.
TEST(DibLayout, RefusesSizesThatWouldWrap) {
    const struct { const char* name; Dib dib; } cases[] = {
        {"table of 2^30 entries", {.clrUsed = 0x40000000}},
        {"row of 2^35 bits", {.width = 0x40000000, .bits = 32}},
        {"2^30 rows of 4 bytes", {.height = 0x40000000, .bits = 32}},
        {"INT32_MIN rows", {.height = INT32_MIN, .bits = 32}},
        {"biSizeImage near 2^32", {.sizeImage = 0xFFFFFFF0}},
        {"profile ending past 2^32", {.headerSize = 124, .colorSpace = kMbed, .profileData = 0xFFFFFFF0, .profileSize = 0x20}},
    };
    for (const auto& c : cases) EXPECT_FALSE(PlanBmpFile(Block(c.dib, 4096))) << c.name;
}

TEST(DibLayout, KeepsTheFileSizeWithinInt32) {
    // A 2 GiB block that is never touched past its header, so no memory is committed for it.
    const std::size_t size = std::size_t{1} << 31;
    void* mapping = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    ASSERT_NE(mapping, MAP_FAILED);
    auto* block = static_cast<std::uint8_t*>(mapping);
    const auto plan = [&](std::uint32_t sizeImage) {
        const auto header = Block({.sizeImage = sizeImage}, 40);
        std::copy(header.begin(), header.end(), block);
        return PlanBmpFile({block, size});
    };
    const auto largest = plan(INT32_MAX - 54);
    ASSERT_TRUE(largest);
    EXPECT_EQ(largest->dibBytes + 14, std::uint32_t{INT32_MAX});
    EXPECT_FALSE(plan(INT32_MAX - 53));
    munmap(mapping, size);
}

}  // namespace
}  // namespace vantrel::imaging
