// PDF pages as vantrel-scan's lossy ones (JPEG for grey and colour, the smaller of Group 4 and
// Flate for 1-bit), TIFF pages lossless: clients of a document want it complete and small.
#include "service/document_encoding.h"

#include "imaging/pdf/page_streams.h"

namespace vantrel::service {

bool DocumentEncoder::Gathers(const std::string& format) { return format == "application/pdf" || format == "image/tiff"; }

DocumentEncoder::DocumentEncoder(std::string format, int jpegQuality, const imaging::PdfDocument& document,
                                 std::optional<imaging::PdfDate> started)
    : format_(std::move(format)), jpegQuality_(jpegQuality) {
    if (format_ == "application/pdf") pdf_.emplace(sink_, document, false);
    if (format_ != "image/tiff") return;
    const auto& s = started;
    tiff_.emplace(sink_, imaging::TiffDocument{document.metadata, s ? imaging::TiffDateTime(s->year, s->month, s->day, s->hour, s->minute, s->second) : ""});
}

bool DocumentEncoder::Add(const imaging::PageImage& page) {
    if (!imaging::IsWellFormed(page)) return false;
    ++pages_;
    if (tiff_) return tiff_->AddPage(page);
    if (!pdf_) return false;
    const auto image = imaging::EncodePdfPage(page, false, jpegQuality_);
    return image && pdf_->AddPage(image->View()) == imaging::PdfResult::Ok;
}

std::optional<EncodedPage> DocumentEncoder::Finish(const imaging::PdfDate& created) {
    const bool finished = tiff_ ? tiff_->Finish() : pdf_ && pdf_->Finish(created) == imaging::PdfResult::Ok;
    if (!finished || pages_ == 0) return std::nullopt;
    EncodedPage document;
    document.contentType = format_;
    document.bytes.assign(sink_.Data().begin(), sink_.Data().end());
    return document;
}

}  // namespace vantrel::service
