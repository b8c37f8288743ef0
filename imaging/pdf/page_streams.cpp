// Encoding pages for PDF image streams and describing streams other encoders made.
#include "imaging/pdf/page_streams.h"

#include <new>

#include "imaging/g4/bilevel_choice.h"
#include "imaging/g4/group4_encoder.h"
#include "imaging/jpeg/jpeg_encoder.h"
#include "imaging/png/row_deflater.h"

namespace vantrel::imaging {
namespace {

PdfImage Describe(const PageImage& page, PdfFilter filter) {
    return PdfImage{.width = page.width,
                    .height = page.height,
                    .colorSpace = page.format == PixelFormat::Rgb24 ? PdfColorSpace::DeviceRGB : PdfColorSpace::DeviceGray,
                    .bitsPerComponent = static_cast<std::uint8_t>(page.format == PixelFormat::BlackWhite1 ? 1 : 8),
                    .filter = filter,
                    .xDpi = page.xDpi,
                    .yDpi = page.yDpi,
                    .bytes = {},
                    .iccProfile = page.iccProfile};
}

}  // namespace

std::optional<EncodedImage> EncodeFlateImage(const PageImage& page, FlateImageOptions options) {
    try {
        EncodedImage encoded{Describe(page, PdfFilter::FlateDecode), {}};
        encoded.description.pngPredictors = options.pngPredictors;
        const auto keep = [&encoded](std::span<const std::uint8_t> piece) {
            encoded.bytes.insert(encoded.bytes.end(), piece.begin(), piece.end());
            return true;
        };
        const RowDeflateOptions deflate{.level = options.zlibLevel, .pngFilters = options.pngPredictors};
        if (!DeflateRows(page, deflate, keep)) return std::nullopt;
        return encoded;
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

std::optional<EncodedImage> EncodeBilevelImage(const PageImage& page) {
    if (!IsWellFormed(page) || page.format != PixelFormat::BlackWhite1) return std::nullopt;
    std::vector<std::uint8_t> group4 = EncodeGroup4(page);
    if (group4.empty()) return std::nullopt;
    if (WorthTryingFlate(group4.size(), MinimumStride(page.format, page.width) * page.height)) {
        std::optional<EncodedImage> flate = EncodeFlateImage(page);
        if (!flate) return std::nullopt;
        if (FlateIsSmaller(flate->bytes.size(), group4.size())) return flate;
    }
    return EncodedImage{Describe(page, PdfFilter::CCITTFaxDecode), std::move(group4)};
}

std::optional<PdfImage> DescribeJpeg(const PageImage& page, std::span<const std::uint8_t> jpeg) {
    if (!IsWellFormed(page) || jpeg.empty()) return std::nullopt;
    PdfImage image = Describe(page, PdfFilter::DCTDecode);
    image.bitsPerComponent = 8;
    image.bytes = jpeg;
    return image;
}

std::optional<EncodedImage> EncodePdfPage(const PageImage& page, bool lossless, int jpegQuality) {
    if (page.format == PixelFormat::BlackWhite1) return EncodeBilevelImage(page);
    if (lossless) return EncodeFlateImage(page);
    EncodedImage encoded;
    encoded.bytes = EncodeJpeg(page, jpegQuality);
    const std::optional<PdfImage> image = DescribeJpeg(page, encoded.bytes);
    if (!image) return std::nullopt;
    encoded.description = *image;
    encoded.description.bytes = {};
    return encoded;
}

std::optional<PdfImage> DescribeGroup4(const PageImage& page, std::span<const std::uint8_t> group4) {
    if (!IsWellFormed(page) || page.format != PixelFormat::BlackWhite1 || group4.empty()) return std::nullopt;
    PdfImage image = Describe(page, PdfFilter::CCITTFaxDecode);
    image.bytes = group4;
    return image;
}

std::optional<PdfImage> DescribeCoded(const CodedPage& page) {
    const PageImage geometry{.width = page.width, .height = page.height, .format = page.format, .stride = 0, .xDpi = page.xDpi,
                             .yDpi = page.yDpi, .pixels = {}, .iccProfile = page.iccProfile};
    const bool jpeg = page.coding == PageCoding::Jpeg;
    PdfImage image = Describe(geometry, jpeg ? PdfFilter::DCTDecode : PdfFilter::CCITTFaxDecode);
    image.bytes = page.bytes;
    if (!IsDescribable(image) || (jpeg && page.format == PixelFormat::BlackWhite1)) return std::nullopt;
    return image;
}

}  // namespace vantrel::imaging
