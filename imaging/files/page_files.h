// Pages into image files on disk: the consumer for a file name, its format chosen by the extension.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "imaging/page_consumer.h"
#include "imaging/pdf/pdf_document.h"

namespace vantrel::imaging {

enum class TiffPageCompression : std::uint8_t {
    Automatic,  // Group 4 for 1-bit pages, Adobe Deflate for grey and colour (lossless)
    Jpeg,       // grey and colour pages as JPEG at FileOptions::jpegQuality; 1-bit pages stay Group 4
};

struct FileOptions {
    int jpegQuality = 85;  // 1..100, for .jpg files, PDF pages and TIFF JPEG pages
    bool lossless = false;  // PDF grey and colour pages with Flate instead of JPEG
    TiffPageCompression tiff = TiffPageCompression::Automatic;
    PdfArchive pdfa = PdfArchive::None;  // PDF/A-1b or -2b for .pdf files
    DocumentMetadata metadata = {};      // into PDF (information and XMP) and TIFF files
};

// The consumer that writes a batch's pages to `pathPattern`:
// - .tif/.tiff and .pdf: every page into one file, completed and moved into place at Finish with the
//   pages taken so far; nothing is written with no page;
// - .bmp, .png, .jpg/.jpeg: one file a page, each written and moved into place at Take, named by
//   PageFileName ("{page}" replaced by the number, else "-2", "-3", ... before the extension).
// Every file is written under a temporary name beside the target first, so an existing file stays as
// it was until its replacement is complete. Null with `error` set for an unknown extension or a JPEG
// quality outside 1..100.
std::unique_ptr<PageConsumer> OpenPageFiles(std::wstring_view pathPattern, const FileOptions& options, std::wstring& error);

}  // namespace vantrel::imaging
