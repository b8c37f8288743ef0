// Describing an encoded page image in PDF terms: its dictionary and the page it fills.
#include "imaging/pdf/pdf_image.h"

#include <cmath>

#include "imaging/icc_profile.h"
#include "imaging/pdf/pdf_text.h"

namespace vantrel::imaging {
namespace {

constexpr std::uint32_t kLargestSide = 0x7FFFFFFF;
constexpr double kPointsPerInch = 72;

bool HasDpi(double dpi) { return std::isfinite(dpi) && dpi > 0; }

// Nullopt unless the side prints as a positive real.
std::optional<double> Side(std::uint32_t pixels, double dpi) {
    const double points = kPointsPerInch * pixels / dpi;
    const std::optional<std::string> text = PdfReal(points);
    if (!text || *text == "0") return std::nullopt;
    return points;
}

}  // namespace

bool IsDescribable(const PdfImage& image) {
    if (image.width == 0 || image.height == 0 || image.width > kLargestSide || image.height > kLargestSide) return false;
    if (image.bytes.empty()) return false;
    const bool gray = image.colorSpace == PdfColorSpace::DeviceGray;
    if (image.bitsPerComponent != 8 && !(image.bitsPerComponent == 1 && gray)) return false;
    if (image.filter == PdfFilter::DCTDecode && image.bitsPerComponent != 8) return false;
    if (image.filter == PdfFilter::CCITTFaxDecode && image.bitsPerComponent != 1) return false;
    if (image.pngPredictors && image.filter != PdfFilter::FlateDecode) return false;
    if (image.blackIs1 && image.filter != PdfFilter::CCITTFaxDecode) return false;
    return !image.invertDecode || gray;
}

std::span<const std::uint8_t> ImageProfile(const PdfImage& image) {
    if (image.bitsPerComponent != 8) return {};
    return EmbeddableProfile(image.iccProfile,
                             image.colorSpace == PdfColorSpace::DeviceRGB ? PixelFormat::Rgb24 : PixelFormat::Gray8);
}

std::string ProfileDictionaryEntries(const PdfImage& image) {
    const bool rgb = image.colorSpace == PdfColorSpace::DeviceRGB;
    return rgb ? " /N 3 /Alternate /DeviceRGB" : " /N 1 /Alternate /DeviceGray";
}

std::string ImageDictionaryEntries(const PdfImage& image, std::uint64_t profileObject) {
    const bool rgb = image.colorSpace == PdfColorSpace::DeviceRGB;
    const std::string space = profileObject != 0 ? " /ColorSpace [/ICCBased " + PdfInteger(profileObject) + " 0 R]"
                              : rgb              ? " /ColorSpace /DeviceRGB"
                                                 : " /ColorSpace /DeviceGray";
    std::string text = " /Type /XObject /Subtype /Image /Width " + PdfInteger(image.width) + " /Height " +
                       PdfInteger(image.height) + space + " /BitsPerComponent " + PdfInteger(image.bitsPerComponent);
    if (image.invertDecode) text += " /Decode [1 0]";
    switch (image.filter) {
        case PdfFilter::FlateDecode:
            text += " /Filter /FlateDecode";
            if (image.pngPredictors) {
                text += " /DecodeParms << /Predictor 15 /Colors " + PdfInteger(rgb ? 3 : 1) + " /BitsPerComponent " +
                        PdfInteger(image.bitsPerComponent) + " /Columns " + PdfInteger(image.width) + " >>";
            }
            break;
        case PdfFilter::DCTDecode:
            text += " /Filter /DCTDecode";
            break;
        case PdfFilter::CCITTFaxDecode:
            text += " /Filter /CCITTFaxDecode /DecodeParms << /K -1 /Columns " + PdfInteger(image.width) + " /Rows " +
                    PdfInteger(image.height) + (image.blackIs1 ? " /BlackIs1 true" : "") + " >>";
            break;
    }
    return text;
}

std::optional<PageSize> PageSizeInPoints(const PdfImage& image) {
    double x = HasDpi(image.xDpi) ? image.xDpi : image.yDpi;
    double y = HasDpi(image.yDpi) ? image.yDpi : x;
    if (!HasDpi(x)) x = y = kPointsPerInch;
    const std::optional<double> width = Side(image.width, x);
    const std::optional<double> height = Side(image.height, y);
    if (!width || !height) return std::nullopt;
    return PageSize{*width, *height};
}

}  // namespace vantrel::imaging
