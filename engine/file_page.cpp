// Reading a transferred file back into the page it holds.
#include "engine/file_page.h"

#include "engine/coded_strips.h"
#include "imaging/bmp/dib_page.h"
#include "imaging/tiff/tiff_strip_reader.h"
#include "twain/twain_records.h"

namespace vantrel::engine {

using namespace twain;

namespace {

constexpr std::size_t kBmpFileHeaderBytes = 14;
constexpr std::uint16_t kTiffGroup4 = 4;
constexpr std::uint16_t kWhiteIsZero = 0;

}  // namespace

std::uint16_t FileFormatFor(std::uint16_t compression) {
    if (compression == TWCP_JPEG) return TWFF_JFIF;
    if (compression == TWCP_GROUP4) return TWFF_TIFF;
    return TWFF_BMP;
}

std::optional<FilePage> ReadFilePage(std::span<const std::uint8_t> file, const MemoryPageLayout& layout,
                                     std::uint16_t compression, std::string& error) {
    FilePage page;
    if (compression == TWCP_NONE) {
        if (file.size() > kBmpFileHeaderBytes && file[0] == 'B' && file[1] == 'M')
            page.raw = imaging::PageFromDib(file.subspan(kBmpFileHeaderBytes));
        if (!page.raw) error = "its file is not a BMP (" + std::to_string(file.size()) + " bytes)";
        return page.raw ? std::optional(std::move(page)) : std::nullopt;
    }
    std::span<const std::uint8_t> coded = file;
    if (compression == TWCP_GROUP4) {
        const auto strip = imaging::tiff::ReadSingleStripTiff(file);
        if (!strip || strip->compression != kTiffGroup4 || strip->photometric != kWhiteIsZero ||
            strip->width != static_cast<std::uint32_t>(layout.width) || strip->height != static_cast<std::uint32_t>(layout.length)) {
            error = "its file is not a TIFF of one Group 4 strip, " + std::to_string(layout.width) + " x " +
                    std::to_string(layout.length) + " pixels, 1 bits black";
            return std::nullopt;
        }
        coded = strip->bytes;
    }
    page.coded = KeptPage(layout, compression, coded, error);
    return page.coded ? std::optional(std::move(page)) : std::nullopt;
}

}  // namespace vantrel::engine
