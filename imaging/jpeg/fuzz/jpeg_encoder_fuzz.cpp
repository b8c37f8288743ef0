// libFuzzer target: EncodeJpeg on small random pages, checking the file's structure; ASan checks the reads.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "imaging/jpeg/jpeg_encoder.h"
#include "imaging/tests/jpeg_layout.h"
#include "imaging/tests/fuzz_require.h"

namespace {

using vantrel::imaging::PixelFormat;

using vantrel::imaging::testing::Require;

constexpr std::size_t kHeaderBytes = 6;
constexpr PixelFormat kFormats[] = {PixelFormat::BlackWhite1, PixelFormat::Gray8, PixelFormat::Rgb24};

}  // namespace

// Input: width - 1, height - 1 (each taken modulo 64), format (modulo 3; bit 7 asks for a buffer one
// byte short), quality + 20, row padding (modulo 16), resolution; then the pixel bytes, repeated
// to fill the page.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < kHeaderBytes) return 0;
    const std::uint32_t width = data[0] % 64 + 1;
    const std::uint32_t height = data[1] % 64 + 1;
    const PixelFormat format = kFormats[data[2] % 3];
    const bool oneByteShort = (data[2] & 0x80) != 0;
    const int quality = static_cast<int>(data[3]) - 20;
    const std::uint64_t stride = vantrel::imaging::MinimumStride(format, width) + data[4] % 16;
    const double dpi = data[5] * 3.7;

    // Exactly the bytes the page needs, on the heap, so a read past the last row's pixels is caught.
    const std::size_t needed = static_cast<std::size_t>(stride * (height - 1) + vantrel::imaging::MinimumStride(format, width));
    std::vector<std::uint8_t> pixels(oneByteShort ? needed - 1 : needed);
    const std::size_t available = size - kHeaderBytes;
    for (std::size_t i = 0; i < pixels.size() && available > 0; ++i) pixels[i] = data[kHeaderBytes + i % available];

    const vantrel::imaging::PageImage page{width, height, format, stride, dpi, dpi, pixels};
    const std::vector<std::uint8_t> file = vantrel::imaging::EncodeJpeg(page, quality);
    if (oneByteShort) {
        Require(file.empty());
        return 0;
    }
    const auto layout = vantrel::imaging::jpeg::ParseJpeg(file);
    Require(layout.has_value());
    const std::vector<std::uint8_t> order = {0xD8, 0xE0, 0xDB, 0xC0, 0xC4, 0xDA, 0xD9};
    Require(layout->segments.size() == order.size());
    for (std::size_t i = 0; i < order.size(); ++i) Require(layout->segments[i].marker == order[i]);
    const auto frame = layout->segments[3].fields;
    const std::size_t components = format == PixelFormat::Rgb24 ? 3 : 1;
    Require(frame.size() == 6 + 3 * components && frame[0] == 8 && frame[5] == components);
    Require(vantrel::imaging::jpeg::ReadU16(frame, 1) == height && vantrel::imaging::jpeg::ReadU16(frame, 3) == width);
    Require(!layout->entropyData.empty());
    return 0;
}
