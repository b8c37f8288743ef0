// libFuzzer target: PageFromDib on arbitrary blocks; an accepted page is well-formed and survives WriteBmp and a re-read.
#include "imaging/bmp/bmp_writer.h"
#include "imaging/bmp/dib_page.h"
#include "imaging/tests/fuzz_require.h"

#include <cstddef>
#include <cstdint>

using vantrel::imaging::testing::Require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vantrel::imaging;
    const auto page = PageFromDib({data, size});
    if (!page) return 0;
    const PageImage view = page->View();
    Require(IsWellFormed(view));
    // The page comes from inside the block, so it can never need more bytes than the block had.
    Require(view.pixels.size() <= size * 8 * 3);
    Require(view.xDpi >= 0 && view.yDpi >= 0);
    if (view.pixels.size() > (1u << 20)) return 0;
    MemorySink sink;
    Require(WriteBmp(view, sink));
    const auto again = PageFromDib(std::span(sink.Data()).subspan(14));
    Require(again && again->View().format == view.format && again->View().width == view.width &&
            again->View().height == view.height);
    return 0;
}
