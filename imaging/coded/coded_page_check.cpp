// The checks of a coded page: the JPEG frame header read, the Group 4 data decoded.
#include "imaging/coded/coded_page_check.h"

#include "imaging/g4/group4_decoder.h"
#include "imaging/tiff/jpeg_stream_info.h"

namespace vantrel::imaging {
namespace {

std::string Size(std::uint32_t width, std::uint32_t height) { return std::to_string(width) + " x " + std::to_string(height); }

std::string CheckJpeg(const CodedPage& page) {
    if (page.format == PixelFormat::BlackWhite1) return "a 1-bit page cannot be a JPEG";
    const auto info = tiff::ReadJpegStreamInfo(page.bytes);
    if (!info) return "its JPEG data is not a complete baseline JPEG (" + std::to_string(page.bytes.size()) + " bytes)";
    const std::uint32_t components = page.format == PixelFormat::Rgb24 ? 3 : 1;
    if (info->width != page.width || info->height != page.height || info->components != components)
        return "its JPEG is " + Size(info->width, info->height) + " pixels with " + std::to_string(info->components) +
               " components, the page " + Size(page.width, page.height) + " with " + std::to_string(components);
    return {};
}

}  // namespace

std::string CheckCodedPage(const CodedPage& page) {
    if (page.coding == PageCoding::Jpeg) return CheckJpeg(page);
    if (page.format != PixelFormat::BlackWhite1) return "Group 4 data can only be a 1-bit page";
    if (!DecodeGroup4(page.bytes, page.width, page.height))
        return "its Group 4 data (" + std::to_string(page.bytes.size()) + " bytes) does not decode to " +
               Size(page.width, page.height) + " pixels";
    return {};
}

}  // namespace vantrel::imaging
