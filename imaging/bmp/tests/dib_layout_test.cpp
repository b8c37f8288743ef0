// Planning BMP files for packed DIBs: byte counts, file headers and the DIBs that are refused.
#include "imaging/bmp/dib_layout.h"

#include <gtest/gtest.h>

#include <sys/mman.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

namespace vantrel {
namespace {

struct Dib {
    std::uint32_t headerSize = 40;
    std::int32_t width = 1;
    std::int32_t height = 1;
    std::uint16_t bitCount = 24;
    std::uint32_t compression = 0;
    std::uint32_t sizeImage = 0;
    std::uint32_t clrUsed = 0;
    std::uint32_t colorSpace = 0;  // V5 only, with the two profile fields
    std::uint32_t profileData = 0;
    std::uint32_t profileSize = 0;
};

constexpr std::uint32_t kMbed = 0x4D424544;

void Put(std::uint8_t* at, std::uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) at[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

// Writes the header into the first `blockSize` bytes (cutting it if the block is shorter); the rest is zero.
std::vector<std::uint8_t> Block(const Dib& d, std::size_t blockSize) {
    std::vector<std::uint8_t> bytes(std::max<std::size_t>(d.headerSize, 40) + blockSize, 0);
    Put(&bytes[0], d.headerSize, 4);
    if (d.headerSize == 12) {
        Put(&bytes[4], static_cast<std::uint32_t>(d.width), 2);
        Put(&bytes[6], static_cast<std::uint32_t>(d.height), 2);
        Put(&bytes[10], d.bitCount, 2);
    } else {
        Put(&bytes[4], static_cast<std::uint32_t>(d.width), 4);
        Put(&bytes[8], static_cast<std::uint32_t>(d.height), 4);
        Put(&bytes[12], 1, 2);
        Put(&bytes[14], d.bitCount, 2);
        Put(&bytes[16], d.compression, 4);
        Put(&bytes[20], d.sizeImage, 4);
        Put(&bytes[32], d.clrUsed, 4);
    }
    if (d.headerSize == 124) {
        Put(&bytes[56], d.colorSpace, 4);
        Put(&bytes[112], d.profileData, 4);
        Put(&bytes[116], d.profileSize, 4);
    }
    bytes.resize(blockSize);
    return bytes;
}

std::array<std::uint8_t, 14> FileHeader(std::uint32_t bfSize, std::uint32_t bfOffBits) {
    std::array<std::uint8_t, 14> h{'B', 'M'};
    Put(&h[2], bfSize, 4);
    Put(&h[10], bfOffBits, 4);
    return h;
}

struct Planned {
    const char* name;
    Dib dib;
    std::uint32_t bfOffBits;
    std::uint32_t dibBytes;
};

// Expectations are written as header + masks + table + pixels (stride * rows).
const std::vector<Planned>& PlannedCases() {
    static const std::vector<Planned> cases = {
        {"1 bit, 8x2", {.width = 8, .height = 2, .bitCount = 1}, 14 + 40 + 2 * 4, 40 + 8 + 4 * 2},
        {"4 bit, 3x2 top-down", {.width = 3, .height = -2, .bitCount = 4}, 14 + 40 + 64, 40 + 64 + 4 * 2},
        {"8 bit, 3 colours used", {.width = 5, .bitCount = 8, .clrUsed = 3}, 14 + 40 + 12, 40 + 12 + 8 * 1},
        {"16 bit, 3x2", {.width = 3, .height = 2, .bitCount = 16}, 14 + 40, 40 + 8 * 2},
        {"24 bit, 5x3 top-down", {.width = 5, .height = -3}, 14 + 40, 40 + 16 * 3},
        {"32 bit with an optional table", {.width = 2, .height = 2, .bitCount = 32, .clrUsed = 2}, 14 + 40 + 8, 40 + 8 + 8 * 2},
        {"RLE8 keeps biSizeImage", {.bitCount = 8, .compression = 1, .sizeImage = 50}, 14 + 40 + 1024, 40 + 1024 + 50},
        {"bitfields after a 40-byte header", {.width = 4, .height = 2, .bitCount = 16, .compression = 3}, 14 + 40 + 12, 40 + 12 + 8 * 2},
        {"alpha bitfields after a 40-byte header", {.bitCount = 32, .compression = 6}, 14 + 40 + 16, 40 + 16 + 4},
        {"Adobe 52-byte header holds RGB masks", {.headerSize = 52, .width = 2, .bitCount = 16, .compression = 3}, 14 + 52, 52 + 4},
        {"Adobe 52-byte header, alpha mask follows", {.headerSize = 52, .bitCount = 32, .compression = 6}, 14 + 52 + 4, 52 + 4 + 4},
        {"V4 bitfields, top-down", {.headerSize = 108, .width = 2, .height = -2, .bitCount = 32, .compression = 3}, 14 + 108, 108 + 8 * 2},
        {"V5, 8 bit full table", {.headerSize = 124, .width = 4, .bitCount = 8}, 14 + 124 + 1024, 124 + 1024 + 4},
        {"V5 with its profile after the pixels", {.headerSize = 124, .colorSpace = kMbed, .profileData = 124 + 4, .profileSize = 20}, 14 + 124, 124 + 4 + 20},
        {"core header, 8 bit", {.headerSize = 12, .width = 3, .height = 2, .bitCount = 8}, 14 + 12 + 256 * 3, 12 + 768 + 4 * 2},
        {"core header, 24 bit", {.headerSize = 12}, 14 + 12, 12 + 4},
    };
    return cases;
}

TEST(DibLayout, WritesTheContractHeaderForOrdinaryDibs) {
    const auto rgb = PlanBmpFile(Block({.width = 10, .height = 10, .sizeImage = 300}, 340));
    ASSERT_TRUE(rgb);
    EXPECT_EQ(rgb->fileHeader, (std::array<std::uint8_t, 14>{'B', 'M', 0x62, 0x01, 0, 0, 0, 0, 0, 0, 0x36, 0, 0, 0}));
    EXPECT_EQ(rgb->dibBytes, 340u);

    const auto indexed = PlanBmpFile(Block({.bitCount = 8, .sizeImage = 1000}, 2064));
    ASSERT_TRUE(indexed);
    EXPECT_EQ(indexed->fileHeader, (std::array<std::uint8_t, 14>{'B', 'M', 0x1E, 0x08, 0, 0, 0, 0, 0, 0, 0x36, 0x04, 0, 0}));
    EXPECT_EQ(indexed->dibBytes, 2064u);
}

TEST(DibLayout, PlansEachDepthHeaderAndTableFromTheDibAlone) {
    for (const auto& c : PlannedCases()) {
        const auto plan = PlanBmpFile(Block(c.dib, c.dibBytes + 7));  // GlobalSize may round the block up
        ASSERT_TRUE(plan) << c.name;
        EXPECT_EQ(plan->dibBytes, c.dibBytes) << c.name;
        EXPECT_EQ(plan->bfOffBits, c.bfOffBits) << c.name;
        EXPECT_EQ(plan->fileHeader, FileHeader(c.dibBytes + 14, c.bfOffBits)) << c.name;
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
        {"2 bits", {.bitCount = 2}, 64},
        {"0 bits uncompressed", {.bitCount = 0, .sizeImage = 4}, 64},
        {"bit count negative as int16", {.bitCount = 0xFFFF}, 64},
        {"16 bit core header", {.headerSize = 12, .bitCount = 16}, 64},
        {"unknown compression", {.compression = 11, .sizeImage = 4}, 64},
        {"1 bit, 3 colours used", {.bitCount = 1, .clrUsed = 3}, 64},
        {"RLE8 without biSizeImage", {.bitCount = 8, .compression = 1}, 2048},
        {"JPEG without biSizeImage", {.bitCount = 0, .compression = 4}, 2048},
    };
    for (const auto& c : cases) EXPECT_FALSE(PlanBmpFile(Block(c.dib, c.blockSize))) << c.name;
}

// Each of these comes out small enough for the block if a 32-bit sum or product wraps.
TEST(DibLayout, RefusesSizesThatWouldWrap) {
    const struct { const char* name; Dib dib; } cases[] = {
        {"table of 2^30 entries", {.clrUsed = 0x40000000}},
        {"row of 2^35 bits", {.width = 0x40000000, .bitCount = 32}},
        {"2^30 rows of 4 bytes", {.height = 0x40000000, .bitCount = 32}},
        {"INT32_MIN rows", {.height = INT32_MIN, .bitCount = 32}},
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
}  // namespace vantrel
