// libFuzzer target: WritePng on small pages made from the input, decoded back (inflate, unfilter) and compared.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "imaging/tests/failing_sink.h"
#include "imaging/tests/png_reading.h"
#include "imaging/png/png_writer.h"
#include "imaging/tests/fuzz_require.h"

namespace {

using namespace vantrel::imaging;

using vantrel::imaging::testing::Require;

// The IDAT data of a file that must be well-formed: correct CRCs, IHDR first, IEND last.
std::vector<std::uint8_t> ImageData(const std::vector<std::uint8_t>& file) {
    const auto chunks = testing::ParseChunks(file);
    Require(chunks.has_value() && chunks->size() >= 3);
    Require(chunks->front().type == "IHDR" && chunks->back().type == "IEND");
    std::vector<std::uint8_t> stream;
    for (const testing::Chunk& c : *chunks) {
        Require(c.storedCrc == testing::BitwiseCrc(c.type, c.data));
        if (c.type == "IDAT") stream.insert(stream.end(), c.data.begin(), c.data.end());
    }
    return stream;
}

}  // namespace

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

    testing::FailingSink sink(0);
    Require(WritePng(page, sink, {.zlibLevel = level}));
    const std::size_t rowBytes = static_cast<std::size_t>(MinimumStride(format, width));
    const auto filtered = testing::Inflate(ImageData(sink.Data()), (rowBytes + 1) * height);
    Require(filtered.has_value());
    const auto samples = testing::Unfilter(*filtered, rowBytes, format == PixelFormat::Rgb24 ? 3 : 1);
    Require(samples.has_value() && *samples == testing::ExpectedSamples(page));

    // A sink failing at any call fails the write and is not called again.
    const std::uint64_t failAt = 1 + data[6] % sink.Calls();
    testing::FailingSink failing(failAt);
    Require(!WritePng(page, failing, {.zlibLevel = level}) && failing.Calls() == failAt);
    return 0;
}
