// Pages row by row: the band read back by the fixtures' reader in every format, the label fitted to the page.
#include "scanner/document_pages.h"
#include "scanner/packed_dib.h"
#include "tests/fixtures/page_number_band.h"
#include "scanner/page_picture.h"

#include <gtest/gtest.h>

#include <vector>

namespace vantrel::scanner {
namespace {

using vantrel::imaging::PageImage;
using vantrel::imaging::PixelFormat;

struct Scanned {
    std::vector<std::uint8_t> bytes;
    PageImage image;
};

// The page as an application gets it by memory transfer, in the reader's own pixel format.
Scanned Scan(const PagePicture& page, ColourMode mode) {
    Scanned s;
    const std::uint32_t stride = TwainRowBytes(page.width(), mode);
    s.bytes.resize(static_cast<std::size_t>(stride) * static_cast<std::size_t>(page.height()));
    std::vector<Rgb> row(static_cast<std::size_t>(page.width()));
    // One-bit pages in the reader's convention (1 = black) are TWAIN's vanilla flavour.
    const RowFormat format = mode == ColourMode::BlackWhite ? RowFormat::TwainVanilla : RowFormat::TwainChocolate;
    for (int y = 0; y < page.height(); ++y) {
        page.Row(y, row);
        PackRow(row.data(), page.width(), y, mode, format, {s.bytes.data() + static_cast<std::size_t>(y) * stride, stride});
    }
    const PixelFormat formats[] = {PixelFormat::Rgb24, PixelFormat::Gray8, PixelFormat::BlackWhite1};
    s.image = {static_cast<std::uint32_t>(page.width()), static_cast<std::uint32_t>(page.height()),
               formats[static_cast<int>(mode)], stride, 100, 100, s.bytes};
    return s;
}

PagePicture Page(int width, int height, int number, int brightness = 0) {
    return PagePicture({width, height, number, PageLines(number, Side::Front, "label", 100, true, 0, 0), brightness, 0, {}, false});
}

// Whatever the format and however bright the page, the band gives its number back.
TEST(PageBand, EveryFormatReadsBackItsPageNumber) {
    for (ColourMode mode : {ColourMode::Colour, ColourMode::Grey, ColourMode::BlackWhite}) {
        for (int number : {1, 2, 6, 255, 0x8001, 0xFFFF}) {
            for (int brightness : {0, 1000}) {
                const Scanned scanned = Scan(Page(333, 240, number, brightness), mode);
                EXPECT_EQ(fixtures::ReadPageNumber(scanned.image), std::optional<std::uint16_t>(number))
                    << number << " in mode " << static_cast<int>(mode) << " at brightness " << brightness;
            }
        }
    }
    EXPECT_EQ(Scan(Page(200, 150, 5, 1000), ColourMode::Grey).bytes[200 * 149], 255) << "the dark ramp end went white";
}

// A document page with content carries its number; a blank one has no band (it reads 0).
TEST(PageBand, DocumentPagesReadBackTheirNumberInEveryFormat) {
    const DocumentSettings settings = ParseDocumentSettings({.content = "document", .blank = "2", .border = "1", .specks = "30"});
    for (ColourMode mode : {ColourMode::Colour, ColourMode::Grey, ColourMode::BlackWhite}) {
        for (const int number : {0x1234, 2}) {
            PageSpec page{850, 1100, number, {}, 0, 0, DocumentPage(settings, {number, Side::Front}, 850, 1100, 100)};
            EXPECT_EQ(fixtures::ReadPageNumber(Scan(PagePicture(page), mode).image), number == 2 ? 0 : number) << static_cast<int>(mode);
        }
    }
}

TEST(PageLabel, FitsInsideThePageAtTheLargestScale) {
    for (const auto& [width, height] : {std::pair{400, 300}, {2480, 3508}, {123, 45}, {1000, 100}}) {
        SCOPED_TRACE(width);
        const LabelLayout layout = PlanLabel(width, height, PageLines(12, Side::Back, "400 x 300, 24-bit colour", 300, true, 0, 0));
        ASSERT_FALSE(layout.lines.empty());
        for (int left : layout.lefts) EXPECT_GE(left, 0) << "no line is cut at the sides";
        const ChartBands bands = BandsFor(height);
        EXPECT_GE(layout.top, bands.barsBottom);
        EXPECT_LE(layout.top + (static_cast<int>(layout.lines.size()) * 8 - 1) * layout.scale, bands.labelBottom);
    }
    EXPECT_GE(PlanLabel(2480, 3508, PageLines(1, Side::Front, "2480 x 3508, 8-bit grey", 300, true, 0, 0)).scale, 10);
}

TEST(PageLabel, AdjustmentsMoveLevelsWithinTheScale) {
    EXPECT_EQ(Adjust(100, 500, 0), 227);
    EXPECT_EQ(Adjust(100, -1000, 0), 0);
    EXPECT_EQ(Adjust(0, 0, -1000), 128) << "no contrast: everything mid-grey";
    EXPECT_EQ(Adjust(200, 0, 1000), 255);
}

}  // namespace
}  // namespace vantrel::scanner
