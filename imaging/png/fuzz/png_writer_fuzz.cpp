// libFuzzer target: WritePng on small pages made from the input, read back by libpng and compared sample for sample.
#include <png.h>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "imaging/png/png_writer.h"
#include "imaging/tests/fuzz_require.h"
#include "imaging/tests/test_pages.h"

using namespace vantrel::imaging;
using vantrel::imaging::testing::Require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 7) return 0;
    const auto format = static_cast<PixelFormat>(data[0] % 3);
    const std::uint32_t width = 1 + (data[1] | (data[2] & 1) << 8);  // 1..512
    const std::uint32_t height = 1 + data[3] % 16;
    const std::uint64_t stride = MinimumStride(format, width) + data[4] % 5;
    const int level = data[5] % 10;
    const double dpi = data[6] * 3.5;
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(stride * height) - data[4] % 5);
    const std::size_t available = size - 7;
    for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = available ? data[7 + i % available] : 0;
    const PageImage page{.width = width, .height = height, .format = format, .stride = stride,
                         .xDpi = dpi, .yDpi = dpi, .pixels = pixels};

    MemorySink sink;
    Require(WritePng(page, sink, {.zlibLevel = level}));
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    Require(png_image_begin_read_from_memory(&image, sink.Data().data(), sink.Data().size()) != 0);
    Require(image.width == width && image.height == height);
    image.format = format == PixelFormat::Rgb24 ? PNG_FORMAT_RGB : PNG_FORMAT_GRAY;
    std::vector<std::uint8_t> samples(PNG_IMAGE_SIZE(image));
    Require(png_image_finish_read(&image, nullptr, samples.data(), 0, nullptr) != 0 && image.warning_or_error == 0);
    Require(samples == testing::ReaderSamples(page));
    return 0;
}
