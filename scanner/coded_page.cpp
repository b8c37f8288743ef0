// Coding a whole page with imaging's encoders, from the rows the uncompressed transfers send.
#include "scanner/coded_page.h"

#include "imaging/g4/group4_encoder.h"
#include "imaging/jpeg/jpeg_encoder.h"
#include "imaging/page_buffer.h"
#include "scanner/packed_dib.h"

namespace vantrel::scanner {

std::optional<imaging::PageBuffer> DrawPage(const PagePicture& picture, int width, int height, ColourMode mode, int xDpi, int yDpi) {
    const imaging::PixelFormat format = mode == ColourMode::BlackWhite ? imaging::PixelFormat::BlackWhite1
                                        : mode == ColourMode::Grey     ? imaging::PixelFormat::Gray8
                                                                       : imaging::PixelFormat::Rgb24;
    auto page = imaging::PageBuffer::Make(static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(height), format, xDpi, yDpi);
    if (!page) return std::nullopt;
    // Our pages have 1 = black and 0 = black for grey, as TWAIN's vanilla and chocolate rows do.
    const RowFormat rows = mode == ColourMode::BlackWhite ? RowFormat::TwainVanilla : RowFormat::TwainChocolate;
    std::vector<Rgb> pixels(static_cast<std::size_t>(width));
    for (int y = 0; y < height; ++y) {
        picture.Row(y, pixels);
        PackRow(pixels.data(), width, y, mode, rows, page->Row(static_cast<std::uint32_t>(y)));
    }
    return page;
}

std::vector<std::uint8_t> CodePage(const PagePicture& picture, int width, int height, ColourMode mode, int xDpi, int yDpi) {
    const auto page = DrawPage(picture, width, height, mode, xDpi, yDpi);
    if (!page) return {};
    return mode == ColourMode::BlackWhite ? imaging::EncodeGroup4(page->View()) : imaging::EncodeJpeg(page->View(), 85);
}

}  // namespace vantrel::scanner
