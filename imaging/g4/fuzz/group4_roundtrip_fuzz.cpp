// libFuzzer target: bitonal pages made from the input, coded with EncodeGroup4 under ASan. The code must stay within
// what Group 4 can spend and ignore everything past a row's last pixel; libtiff and poppler decode the samples.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "imaging/g4/group4_encoder.h"
#include "imaging/tests/fuzz_require.h"
#include "imaging/tests/test_pages.h"

namespace {

using namespace vantrel::imaging;
using vantrel::imaging::testing::Require;

// In mode 0 the material is the pixels' bytes, padding included, repeated to fill the page; otherwise each byte is a
// run length, long ones among them, so that every make-up code is reached.
std::vector<std::uint8_t> MakePixels(const std::uint8_t* material, std::size_t size, bool asRuns, std::uint32_t width,
                                     std::uint32_t height, std::uint64_t stride) {
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(stride * height), 0);
    if (size == 0) return pixels;
    if (!asRuns) {
        for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = material[i % size];
        return pixels;
    }
    std::size_t next = 0;
    bool black = false;
    for (std::uint32_t y = 0; y < height; ++y) {
        for (std::uint32_t x = 0; x < width;) {
            const std::uint8_t b = material[next++ % size];
            std::uint32_t run = b < 200 ? 1u + b % 16 : 1u + (b - 200u) * 199u;
            for (; run > 0 && x < width; --run, ++x) {
                if (black) pixels[static_cast<std::size_t>(stride * y + x / 8)] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
            }
            black = !black;
        }
    }
    return pixels;
}

}  // namespace

// Input: width (2 bytes), height, stride padding, a mode byte, then pixel material.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 5) return 0;
    const std::uint32_t width = 1 + (static_cast<std::uint32_t>(data[0] | data[1] << 8) % 10000);
    const std::uint32_t height = 1 + data[2] % 8;
    const std::uint64_t stride = MinimumStride(PixelFormat::BlackWhite1, width) + data[3] % 5;
    const auto pixels = MakePixels(data + 5, size - 5, data[4] % 2 == 1, width, height, stride);
    const PageImage page{.width = width, .height = height, .format = PixelFormat::BlackWhite1, .stride = stride,
                         .xDpi = 0, .yDpi = 0, .pixels = pixels};
    const auto coded = EncodeGroup4(page);
    // No mode spends more than 14 bits on a pixel; each row may add a little, the end-of-block 24 bits.
    Require(!coded.empty() && coded.size() * 8 <= std::uint64_t{height} * (14 * std::uint64_t{width} + 32) + 32);
    const auto packed = testing::PackedRows(page);
    PageImage bare = page;
    bare.stride = MinimumStride(PixelFormat::BlackWhite1, width);
    bare.pixels = packed;
    Require(EncodeGroup4(bare) == coded);
    return 0;
}
