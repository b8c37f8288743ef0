// libFuzzer target: EncodeJpeg on small random pages, the file decoded whole by libjpeg, which must not even warn;
// ASan checks the encoder's reads.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <jpeglib.h>

#include "imaging/jpeg/jpeg_encoder.h"
#include "imaging/tests/fuzz_require.h"

namespace {

using vantrel::imaging::PixelFormat;
using vantrel::imaging::testing::Require;

constexpr std::size_t kHeaderBytes = 6;
constexpr PixelFormat kFormats[] = {PixelFormat::BlackWhite1, PixelFormat::Gray8, PixelFormat::Rgb24};

// A baseline frame of the page's size and components whose every scan line decodes without a warning.
void RequireDecodes(const std::vector<std::uint8_t>& file, std::uint32_t width, std::uint32_t height, int components) {
    jpeg_decompress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    errors.error_exit = [](j_common_ptr) { std::abort(); };
    errors.emit_message = [](j_common_ptr, int level) { Require(level >= 0); };
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, file.data(), static_cast<unsigned long>(file.size()));
    Require(jpeg_read_header(&info, TRUE) == JPEG_HEADER_OK && !info.progressive_mode && !info.arith_code);
    Require(info.image_width == width && info.image_height == height && info.num_components == components);
    jpeg_start_decompress(&info);
    std::vector<JSAMPLE> row(std::size_t{width} * static_cast<std::size_t>(components));
    JSAMPROW rows[] = {row.data()};
    while (info.output_scanline < info.output_height) Require(jpeg_read_scanlines(&info, rows, 1) == 1);
    Require(jpeg_finish_decompress(&info) == TRUE && info.src->bytes_in_buffer == 0);
    jpeg_destroy_decompress(&info);
}

}  // namespace

// Input: width - 1, height - 1 (each taken modulo 64), format (modulo 3), quality + 20, row padding (modulo 16),
// resolution; then the pixel bytes, repeated to fill the page.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < kHeaderBytes) return 0;
    const std::uint32_t width = data[0] % 64 + 1;
    const std::uint32_t height = data[1] % 64 + 1;
    const PixelFormat format = kFormats[data[2] % 3];
    const int quality = static_cast<int>(data[3]) - 20;
    const std::uint64_t stride = vantrel::imaging::MinimumStride(format, width) + data[4] % 16;
    const double dpi = data[5] * 3.7;

    // Exactly the bytes the page needs, on the heap, so a read past the last row's pixels is caught.
    const std::size_t needed = static_cast<std::size_t>(stride * (height - 1) + vantrel::imaging::MinimumStride(format, width));
    std::vector<std::uint8_t> pixels(needed);
    const std::size_t available = size - kHeaderBytes;
    for (std::size_t i = 0; i < pixels.size() && available > 0; ++i) pixels[i] = data[kHeaderBytes + i % available];

    const vantrel::imaging::PageImage page{width, height, format, stride, dpi, dpi, pixels};
    RequireDecodes(vantrel::imaging::EncodeJpeg(page, quality), width, height, format == PixelFormat::Rgb24 ? 3 : 1);
    return 0;
}
