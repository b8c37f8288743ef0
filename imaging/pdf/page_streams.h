// Turning a page into the encoded image the PDF writer takes: Flate here, JPEG and Group 4 bytes described.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "imaging/coded_page.h"
#include "imaging/page_image.h"
#include "imaging/pdf/pdf_image.h"

namespace vantrel::imaging {

struct EncodedImage {
    PdfImage description;  // everything but the bytes
    std::vector<std::uint8_t> bytes;

    // The record for PdfWriter::AddPage, its bytes pointing into this object.
    PdfImage View() const {
        PdfImage image = description;
        image.bytes = bytes;
        return image;
    }
};

struct FlateImageOptions {
    int zlibLevel = 6;
    bool pngPredictors = true;  // each row PNG-filtered, as /Predictor 15 tells the reader
};

// The lossless stream: samples as a PNG holds them (1-bit rows inverted so 0 is black, as DeviceGray
// reads them), deflated. Nullopt on a page that is not well-formed, a bad level or memory exhaustion.
std::optional<EncodedImage> EncodeFlateImage(const PageImage& page, FlateImageOptions options = {});

// A 1-bit page coded losslessly as the smaller of Group 4 and Flate (imaging/g4/bilevel_choice.h says when
// Flate is tried). Nullopt for another format, a page that is not well-formed or memory exhaustion.
std::optional<EncodedImage> EncodeBilevelImage(const PageImage& page);

// The record for a baseline JPEG of the page: DeviceRGB for a colour page, else DeviceGray 8 bits (JPEG
// has no bilevel mode, so 1-bit pages are coded as grey). Nullopt for a page that is not well-formed or no bytes.
std::optional<PdfImage> DescribeJpeg(const PageImage& page, std::span<const std::uint8_t> jpeg);

// A page as a PDF page's image: the smaller lossless coding for 1-bit pages, Flate for grey and colour when
// `lossless`, else JPEG at `jpegQuality`. Nullopt for a page that is not well-formed or memory exhaustion.
std::optional<EncodedImage> EncodePdfPage(const PageImage& page, bool lossless, int jpegQuality);

// The record for a CCITT Group 4 (K -1) coding of a 1-bit page whose black runs are coded black: with
// /BlackIs1 false the filter yields 0 for black, which DeviceGray shows as black. Nullopt for another
// format, a page that is not well-formed, or no bytes.
std::optional<PdfImage> DescribeGroup4(const PageImage& page, std::span<const std::uint8_t> group4);

// The record for a page a scanner coded, its bytes as they came: DCTDecode, or CCITTFaxDecode for Group 4 (whose
// 1 bits are black, as above). Nullopt when the writer could not describe it (no bytes, a JPEG of a 1-bit page).
std::optional<PdfImage> DescribeCoded(const CodedPage& page);

}  // namespace vantrel::imaging
