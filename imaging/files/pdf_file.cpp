// A PDF with every page of the batch: the smaller of Group 4 and Flate for 1-bit pages, JPEG or Flate for grey
// and colour.
#include <optional>

#include "imaging/files/local_time.h"
#include "imaging/files/one_file_consumer.h"
#include "imaging/files/page_file_consumers.h"
#include "imaging/pdf/page_streams.h"
#include "imaging/pdf/pdf_writer.h"

namespace vantrel::imaging {
namespace {

std::wstring Cause(PdfResult result) {
    switch (result) {
        case PdfResult::BadImage: return L"the page cannot be placed on a PDF page (its size in points is out of range)";
        case PdfResult::TooLarge: return L"the file would grow past the 10 GB a PDF's cross-reference table can address";
        case PdfResult::SinkFailed: return L"the data could not be written";
        case PdfResult::Finished: return L"the file was already completed";
        case PdfResult::BadDate: return L"the system clock gave a date that does not exist";
        case PdfResult::NoPages: return L"no page was written";
        case PdfResult::Ok: break;
    }
    return L"unknown failure";
}

class PdfFile final : public OneFileConsumer {
public:
    PdfFile(std::wstring_view path, const FileOptions& options) : OneFileConsumer(path), options_(options) {}

private:
    void Start(ByteSink& sink) override { writer_.emplace(sink, PdfDocument{options_.pdfa, options_.metadata}); }

    // The encoded page is the only copy held: it goes into the file and is dropped before the next.
    bool Add(const PageImage& page, std::wstring& cause, bool& fileBroken) override {
        if (page.format != PixelFormat::BlackWhite1 && !options_.lossless) cause = JpegSizeCause(page);
        if (!cause.empty()) return false;
        const std::optional<EncodedImage> image = EncodePdfPage(page, options_.lossless, options_.jpegQuality);
        if (!image) {
            cause = L"the page could not be encoded (out of memory)";
            return false;
        }
        return Placed(writer_->AddPage(image->View()), cause, fileBroken);
    }

    // A scanner's JPEG of a grey or colour page, or its Group 4 of a 1-bit page, goes in as it came.
    bool StoresCoded(PageCoding coding, PixelFormat format) const override {
        return (coding == PageCoding::Group4) == (format == PixelFormat::BlackWhite1);
    }

    bool AddCoded(const CodedPage& page, std::wstring& cause, bool& fileBroken) override {
        const std::optional<PdfImage> image = DescribeCoded(page);
        if (!image) {
            cause = L"the page's coded image cannot be placed in a PDF";
            return false;
        }
        return Placed(writer_->AddPage(*image), cause, fileBroken);
    }

    bool Placed(PdfResult result, std::wstring& cause, bool& fileBroken) {
        if (result == PdfResult::Ok) return true;
        cause = Cause(result);
        fileBroken = result != PdfResult::BadImage;
        return false;
    }

    bool Complete(std::wstring& cause) override {
        const PdfResult result = writer_->Finish(LocalNow());
        if (result == PdfResult::Ok) return true;
        cause = Cause(result);
        return false;
    }

    std::uint32_t Pages() const override { return writer_ ? writer_->PageCount() : 0; }

    FileOptions options_;
    std::optional<PdfWriter> writer_;
};

}  // namespace

std::unique_ptr<PageConsumer> OpenPdfFile(std::wstring_view path, const FileOptions& options) {
    return std::make_unique<PdfFile>(path, options);
}

}  // namespace vantrel::imaging
