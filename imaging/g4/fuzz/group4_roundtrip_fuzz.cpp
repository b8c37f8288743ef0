// libFuzzer target: bitonal pages made from the input, coded with EncodeGroup4 and decoded again with DecodeGroup4
// under ASan. The code must stay within what Group 4 can spend, ignore everything past a row's last pixel and decode
// to the page; the input itself, read as coded data, must decode or be refused without a fault. libtiff and poppler
// decode the samples.
#include <cstddef>
#include <cstdint>
#include <algorithm>
#include <span>

#include "imaging/g4/group4_decoder.h"
#include "imaging/g4/group4_encoder.h"
#include "imaging/tests/fuzz_require.h"
#include "imaging/tests/test_pages.h"

using namespace vantrel::imaging;
using vantrel::imaging::testing::Require;

// Input: width (2 bytes), height, stride padding, a mode byte, then pixel material: in mode 0 the pixels' bytes,
// padding included, repeated over the page; otherwise the seed of RandomPage's runs, long ones among them.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 5) return 0;
    const std::uint32_t width = 1 + (static_cast<std::uint32_t>(data[0] | data[1] << 8) % 10000);
    const std::uint32_t height = 1 + data[2] % 8;
    std::uint32_t seed = 1;
    for (std::size_t i = 5; i < size; ++i) seed = seed * 31 + data[i];
    auto owned = data[4] % 2 ? testing::RandomPage(width, height, data[3] % 5, seed)
                             : testing::SamplePage(PixelFormat::BlackWhite1, width, height, data[3] % 5, testing::Content::Noise, 1);
    for (std::size_t i = 0; data[4] % 2 == 0 && size > 5 && i < owned->pixels.size(); ++i) owned->pixels[i] = data[5 + i % (size - 5)];
    const PageImage& page = owned->page;
    const auto coded = EncodeGroup4(page);
    // No mode spends more than 14 bits on a pixel; each row may add a little, the end-of-block 24 bits.
    Require(!coded.empty() && coded.size() * 8 <= std::uint64_t{height} * (14 * std::uint64_t{width} + 32) + 32);
    const auto packed = testing::PackedRows(page);
    PageImage bare = page;
    bare.stride = MinimumStride(PixelFormat::BlackWhite1, width);
    bare.pixels = packed;
    Require(EncodeGroup4(bare) == coded);
    const auto decoded = DecodeGroup4(coded, width, height);
    Require(decoded && std::ranges::equal(decoded->View().pixels, packed));
    // Cut short, the same code is refused: a scanner's truncated page is never taken for the page.
    Require(!DecodeGroup4(std::span(coded).first(coded.size() / 2 > 3 ? coded.size() / 2 : 0), width, height));
    (void)DecodeGroup4(std::span(data, size), width, height);
    return 0;
}
