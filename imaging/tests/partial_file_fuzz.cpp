// libFuzzer target: a PDF or TIFF of a few pages made from the input, cut at an offset the input chooses, must give
// back exactly the pages whose boundary lies at or before the cut; a recovered TIFF must read as whole. The input
// itself, as a file, must never crash either reader.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "imaging/pdf/page_streams.h"
#include "imaging/pdf/pdf_recovery.h"
#include "imaging/pdf/pdf_writer.h"
#include "imaging/tests/fuzz_require.h"
#include "imaging/tests/test_pages.h"
#include "imaging/tiff/tiff_recovery.h"
#include "imaging/tiff/tiff_writer.h"

using namespace vantrel::imaging;
using vantrel::imaging::testing::Require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FindCompletePdf(std::span(data, size));
    FindCompleteTiff(std::span(data, size));
    if (size < 8) return 0;
    const bool pdf = data[0] % 2 == 0;
    const std::uint32_t pages = 1 + data[1] % 20;  // past the page tree's first leaf
    MemorySink sink;
    std::vector<std::uint64_t> boundaries;
    PdfWriter pdfWriter(sink);
    TiffWriter tiffWriter(sink);
    for (std::uint32_t i = 0; i < pages; ++i) {
        const auto format = static_cast<PixelFormat>(data[(2 + i) % size] % 3);
        const auto owned = testing::SamplePage(format, 1 + data[(3 + i) % size] % 40, 1 + data[(4 + i) % size] % 30, 0,
                                               testing::Content::Noise, i + 1, 72, 72);
        if (pdf) {
            const auto image = format == PixelFormat::BlackWhite1 ? EncodeBilevelImage(owned->page) : EncodeFlateImage(owned->page);
            Require(image && pdfWriter.AddPage(image->View()) == PdfResult::Ok);
        } else {
            Require(tiffWriter.AddPage(owned->page));
        }
        boundaries.push_back(sink.Size());
    }
    Require(pdf ? pdfWriter.Finish({}) == PdfResult::Ok : tiffWriter.Finish());
    const std::uint32_t word = data[4] | data[5] << 8 | data[6] << 16 | std::uint32_t{data[7]} << 24;
    const auto cut = std::span(sink.Data()).first(word % (sink.Size() + 1));
    std::uint32_t complete = 0;
    while (complete < pages && boundaries[complete] <= cut.size()) ++complete;
    if (pdf) {
        const auto found = FindCompletePdf(cut);
        Require(complete == 0 ? !found : found && found->pages == complete &&
                (found->length == boundaries[complete - 1] || found->length == sink.Size()));
        return 0;
    }
    const auto found = FindCompleteTiff(cut);
    Require(complete == 0 ? !found : found && found->pages == complete);
    if (!found) return 0;
    MemorySink recovered;
    Require(WriteRecoveredTiff(cut, *found, recovered));
    const auto again = FindCompleteTiff(recovered.Data());
    Require(again && again->pages == complete && again->length == recovered.Size());
    return 0;
}
