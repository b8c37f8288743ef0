// A batch's pages gathered into one PDF or TIFF in memory: those formats hold the whole batch,
// so the client gets the document as one answer when the batch has ended.
#pragma once

#include "imaging/byte_sink.h"
#include "imaging/page_image.h"
#include "imaging/pdf/pdf_writer.h"
#include "imaging/tiff/tiff_writer.h"
#include "service/job_table.h"

#include <optional>
#include <string>

namespace vantrel::service {

class DocumentEncoder {
public:
    // True for application/pdf and image/tiff, the formats sent as one document.
    static bool Gathers(const std::string& format);

    // `started` dates a TIFF's pages (none without it); a PDF is dated by Finish.
    DocumentEncoder(std::string format, int jpegQuality, const imaging::PdfDocument& document = {},
                    std::optional<imaging::PdfDate> started = std::nullopt);
    DocumentEncoder(const DocumentEncoder&) = delete;
    DocumentEncoder& operator=(const DocumentEncoder&) = delete;

    // False when the page could not be coded or stored; the document is then unusable.
    bool Add(const imaging::PageImage& page);
    // The document dated `created` (UTC); nullopt without a page or after a failure.
    std::optional<EncodedPage> Finish(const imaging::PdfDate& created);
    std::uint32_t Pages() const { return pages_; }

private:
    std::string format_;
    int jpegQuality_;
    imaging::MemorySink sink_;
    std::optional<imaging::PdfWriter> pdf_;
    std::optional<imaging::TiffWriter> tiff_;
    std::uint32_t pages_ = 0;
};

}  // namespace vantrel::service
