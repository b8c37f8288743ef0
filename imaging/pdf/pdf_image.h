// An encoded page image as the PDF writer takes it: what its stream holds and how to read it.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace vantrel::imaging {

enum class PdfColorSpace : std::uint8_t { DeviceGray, DeviceRGB };
enum class PdfFilter : std::uint8_t { FlateDecode, DCTDecode, CCITTFaxDecode };

struct PdfImage {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    PdfColorSpace colorSpace = PdfColorSpace::DeviceGray;
    std::uint8_t bitsPerComponent = 8;  // 1 (DeviceGray only) or 8
    PdfFilter filter = PdfFilter::FlateDecode;
    bool pngPredictors = false;  // FlateDecode: every row starts with its PNG filter type (/Predictor 15)
    bool blackIs1 = false;       // CCITTFaxDecode (always K -1, Group 4): 1 bits of the coded image are black
    bool invertDecode = false;   // DeviceGray: /Decode [1 0], sample 0 is white
    double xDpi = 0;             // the page's resolution, which sets its size; see PageSizeInPoints
    double yDpi = 0;
    std::span<const std::uint8_t> bytes;  // the stream's content, already encoded; the caller's
    std::span<const std::uint8_t> iccProfile = {};  // the page's profile (empty: none); the caller's
};

// The profile the image's colour space is based on: its own when EmbeddableProfile keeps it for the image's samples
// (8-bit grey or RGB), else none and the device space stands.
std::span<const std::uint8_t> ImageProfile(const PdfImage& image);

// Whether the writer can describe the image: non-empty, sides at most 2^31 - 1, a bit depth its colour
// space and filter allow (DCT 8 bits, CCITT 1-bit grey), and the filter-specific flags only on their filter.
bool IsDescribable(const PdfImage& image);

// The stream dictionary's entries after "<<" up to, not including, /Length (which the writer adds). With
// `profileObject` (not 0) the colour space is [/ICCBased profileObject 0 R] instead of the device space.
std::string ImageDictionaryEntries(const PdfImage& image, std::uint64_t profileObject = 0);

// The dictionary entries of the ICCBased stream holding ImageProfile(image): /N and /Alternate, the device space.
std::string ProfileDictionaryEntries(const PdfImage& image);

struct PageSize {
    double width = 0;  // points
    double height = 0;
};

// The page the image fills: 72 * pixels / dpi per axis. An axis without a resolution (0, negative or not a
// number) takes the other's; with none at all, one pixel is one point (72 dpi). Nullopt when a side
// is not a positive PdfReal after rounding to 4 decimals.
std::optional<PageSize> PageSizeInPoints(const PdfImage& image);

}  // namespace vantrel::imaging
