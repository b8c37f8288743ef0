// What truncation never makes but a damaged file can hold: a last section or page that does not hold together is left
// out, the pages before it kept. (Cuts at every offset: partial_file_fuzz.cpp; read back by other tools: samples.cpp.)
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "imaging/pdf/page_streams.h"
#include "imaging/pdf/pdf_recovery.h"
#include "imaging/pdf/pdf_writer.h"
#include "imaging/tests/test_pages.h"
#include "imaging/tiff/tiff_recovery.h"
#include "imaging/tiff/tiff_writer.h"

namespace vantrel::imaging {
namespace {

struct Damage {
    const char* what;
    bool pdf;
    // Changes the file of two pages; `second` is where the second page's bytes start.
    void (*damage)(std::vector<std::uint8_t>& file, std::size_t second);
};

std::size_t Find(const std::vector<std::uint8_t>& file, const std::string& text, std::size_t from) {
    return static_cast<std::size_t>(std::search(file.begin() + static_cast<std::ptrdiff_t>(from), file.end(), text.begin(), text.end()) -
                                    file.begin());
}

TEST(Recovery, ADamagedLastPageIsLeftOut) {
    const auto page = testing::SamplePage(PixelFormat::Gray8, 30, 20, 0, testing::Content::Noise, 1, 72, 72);
    const Damage cases[] = {
        {"a cross-reference entry that does not start its object (the last page's)", true,
         [](std::vector<std::uint8_t>& file, std::size_t second) {
             const std::size_t entry = Find(file, "trailer\n", second) - 20;
             file[entry + 9] = static_cast<std::uint8_t>(file[entry + 9] == '0' ? '1' : '0');
         }},
        {"a page count that is not there", true,
         [](std::vector<std::uint8_t>& file, std::size_t second) { file[Find(file, "/Count 2", second) + 1] = 'X'; }},
        {"a strip past the end of the file", false,
         [](std::vector<std::uint8_t>& file, std::size_t) {
             // The second directory's one strip (an uncompressed page of 600 bytes): its offset moved out of the file.
             const std::uint32_t ifd = file[4] | file[5] << 8 | file[6] << 16 | std::uint32_t{file[7]} << 24;
             const std::size_t link = ifd + 2 + 12 * (file[ifd] | file[ifd + 1] << 8);
             const std::uint32_t next = file[link] | file[link + 1] << 8 | file[link + 2] << 16 | std::uint32_t{file[link + 3]} << 24;
             for (std::size_t entry = next + 2; entry < next + 2 + 12 * (file[next] | file[next + 1] << 8); entry += 12) {
                 if ((file[entry] | file[entry + 1] << 8) == 273) file[entry + 11] = 0x7F;
             }
         }},
    };
    for (const Damage& c : cases) {
        MemorySink sink;
        std::size_t second = 0;
        if (c.pdf) {
            PdfWriter writer(sink);
            const auto image = EncodeFlateImage(page->page);
            ASSERT_EQ(writer.AddPage(image->View()), PdfResult::Ok);
            second = sink.Size();
            ASSERT_EQ(writer.AddPage(image->View()), PdfResult::Ok);
        } else {
            TiffWriter writer(sink);
            ASSERT_TRUE(writer.AddPage(page->page, {.compression = TiffCompression::None}));
            second = sink.Size();
            ASSERT_TRUE(writer.AddPage(page->page, {.compression = TiffCompression::None}));
        }
        std::vector<std::uint8_t> file = sink.Data();
        c.damage(file, second);
        const auto pages = c.pdf ? (FindCompletePdf(file) ? FindCompletePdf(file)->pages : 0)
                                 : (FindCompleteTiff(file) ? FindCompleteTiff(file)->pages : 0);
        EXPECT_EQ(pages, 1u) << c.what;
    }
}

}  // namespace
}  // namespace vantrel::imaging
