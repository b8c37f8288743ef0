// Which images the writer describes, their dictionaries, and the page size they give.
#include "imaging/pdf/pdf_image.h"

#include <gtest/gtest.h>

#include <limits>
#include <vector>

#include "imaging/pdf/pdf_text.h"

namespace vantrel::imaging {
namespace {

const std::vector<std::uint8_t> kBytes = {1, 2, 3};

PdfImage Image(PdfColorSpace space, std::uint8_t bits, PdfFilter filter) {
    return PdfImage{.width = 10, .height = 20, .colorSpace = space, .bitsPerComponent = bits, .filter = filter, .bytes = kBytes};
}

TEST(PdfImage, DescribableCombinations) {
    using enum PdfColorSpace;
    using enum PdfFilter;
    struct Case {
        const char* name;
        PdfImage image;
        bool expected;
    };
    std::vector<Case> cases = {
        {"grey 8 flate", Image(DeviceGray, 8, FlateDecode), true},
        {"grey 1 flate", Image(DeviceGray, 1, FlateDecode), true},
        {"rgb 8 flate", Image(DeviceRGB, 8, FlateDecode), true},
        {"rgb 8 dct", Image(DeviceRGB, 8, DCTDecode), true},
        {"grey 1 ccitt", Image(DeviceGray, 1, CCITTFaxDecode), true},
        {"rgb 1", Image(DeviceRGB, 1, FlateDecode), false},
        {"grey 4", Image(DeviceGray, 4, FlateDecode), false},
        {"grey 1 dct", Image(DeviceGray, 1, DCTDecode), false},
        {"grey 8 ccitt", Image(DeviceGray, 8, CCITTFaxDecode), false},
        {"predictors on dct", Image(DeviceRGB, 8, DCTDecode), false},
        {"BlackIs1 on flate", Image(DeviceGray, 1, FlateDecode), false},
        {"inverted rgb", Image(DeviceRGB, 8, FlateDecode), false},
        {"no bytes", Image(DeviceGray, 8, FlateDecode), false},
        {"zero width", Image(DeviceGray, 8, FlateDecode), false},
        {"zero height", Image(DeviceGray, 8, FlateDecode), false},
        {"width past 2^31 - 1", Image(DeviceGray, 8, FlateDecode), false},
        {"inverted grey ccitt", Image(DeviceGray, 1, CCITTFaxDecode), true},
    };
    cases[9].image.pngPredictors = true;
    cases[10].image.blackIs1 = true;
    cases[11].image.invertDecode = true;
    cases[12].image.bytes = {};
    cases[13].image.width = 0;
    cases[14].image.height = 0;
    cases[15].image.width = 0x80000000u;
    cases[16].image.invertDecode = true;
    for (const Case& c : cases) EXPECT_EQ(IsDescribable(c.image), c.expected) << c.name;
}

TEST(PdfImage, DictionaryNamesTheDecodingParameters) {
    PdfImage flate = Image(PdfColorSpace::DeviceRGB, 8, PdfFilter::FlateDecode);
    flate.pngPredictors = true;
    EXPECT_EQ(ImageDictionaryEntries(flate),
              " /Type /XObject /Subtype /Image /Width 10 /Height 20 /ColorSpace /DeviceRGB /BitsPerComponent 8"
              " /Filter /FlateDecode /DecodeParms << /Predictor 15 /Colors 3 /BitsPerComponent 8 /Columns 10 >>");
    PdfImage ccitt = Image(PdfColorSpace::DeviceGray, 1, PdfFilter::CCITTFaxDecode);
    ccitt.blackIs1 = true;
    ccitt.invertDecode = true;
    EXPECT_EQ(ImageDictionaryEntries(ccitt),
              " /Type /XObject /Subtype /Image /Width 10 /Height 20 /ColorSpace /DeviceGray /BitsPerComponent 1"
              " /Decode [1 0] /Filter /CCITTFaxDecode /DecodeParms << /K -1 /Columns 10 /Rows 20 /BlackIs1 true >>");
    EXPECT_EQ(ImageDictionaryEntries(Image(PdfColorSpace::DeviceGray, 8, PdfFilter::DCTDecode)),
              " /Type /XObject /Subtype /Image /Width 10 /Height 20 /ColorSpace /DeviceGray /BitsPerComponent 8"
              " /Filter /DCTDecode");
}

struct Size {
    std::uint32_t width;
    std::uint32_t height;
    double xDpi;
    double yDpi;
    std::optional<std::pair<std::string, std::string>> points;
};

TEST(PdfImage, PageSizeInPoints) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const std::vector<Size> cases = {
        {2480, 3508, 300, 300, std::pair{"595.2", "841.92"}},
        {2480, 3508, 299.5, 299.5, std::pair{"596.1937", "843.3255"}},
        {1700, 2200, 200, 0, std::pair{"612", "792"}},
        {1700, 1100, 200, 100, std::pair{"612", "792"}},
        {1700, 2200, nan, 200, std::pair{"612", "792"}},
        {640, 480, 0, 0, std::pair{"640", "480"}},
        {640, 480, -5, 0, std::pair{"640", "480"}},
        {1, 1, 1e9, 1e9, std::nullopt},              // rounds to 0 points
        {4000000000u, 1, 72, 72, std::nullopt},        // past the largest real
        {100, 100, 1e-300, 1e-300, std::nullopt},      // infinite
    };
    for (const Size& c : cases) {
        PdfImage image = Image(PdfColorSpace::DeviceGray, 8, PdfFilter::FlateDecode);
        image.width = c.width;
        image.height = c.height;
        image.xDpi = c.xDpi;
        image.yDpi = c.yDpi;
        const std::optional<PageSize> size = PageSizeInPoints(image);
        ASSERT_EQ(size.has_value(), c.points.has_value()) << c.width << "x" << c.height << " at " << c.xDpi;
        if (!size) continue;
        EXPECT_EQ(PdfReal(size->width), c.points->first);
        EXPECT_EQ(PdfReal(size->height), c.points->second);
    }
}

}  // namespace
}  // namespace vantrel::imaging
