// libFuzzer target: any bytes read as a scanner's one-strip TIFF under ASan. Whatever is found lies within the file;
// no input leads it to read outside the file.
#include <cstddef>
#include <cstdint>
#include <span>

#include "imaging/tests/fuzz_require.h"
#include "imaging/tiff/tiff_strip_reader.h"

using namespace vantrel::imaging;
using vantrel::imaging::testing::Require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> file(data, size);
    const auto strip = tiff::ReadSingleStripTiff(file);
    if (!strip) return 0;
    Require(strip->bytes.data() >= data && strip->bytes.data() + strip->bytes.size() <= data + size);
    return 0;
}
