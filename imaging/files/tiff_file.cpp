// A TIFF with every page of the batch: Group 4, Deflate or JPEG pages appended as they arrive.
#include <optional>

#include "imaging/jpeg/jpeg_encoder.h"
#include "imaging/files/local_time.h"
#include "imaging/files/one_file_consumer.h"
#include "imaging/files/page_file_consumers.h"
#include "imaging/tiff/tiff_writer.h"
#include "win32/utf8_text.h"

namespace vantrel::imaging {
namespace {

// After these the writer refused the page before writing any of it, and the file goes on.
bool LeavesFileUsable(TiffError error) {
    return error == TiffError::BadPage || error == TiffError::BadOptions || error == TiffError::BadJpeg ||
           error == TiffError::TooLarge || error == TiffError::OutOfMemory;
}

class TiffFile final : public OneFileConsumer {
public:
    TiffFile(std::wstring_view path, const FileOptions& options) : OneFileConsumer(path), options_(options) {}

private:
    void Start(ByteSink& sink) override {
        const PdfDate now = LocalNow();
        writer_.emplace(sink, TiffDocument{options_.metadata, TiffDateTime(now.year, now.month, now.day, now.hour, now.minute, now.second)});
    }

    bool Add(const PageImage& page, std::wstring& cause, bool& fileBroken) override {
        const bool jpeg = options_.tiff == TiffPageCompression::Jpeg && page.format != PixelFormat::BlackWhite1;
        if (jpeg && !(cause = JpegSizeCause(page)).empty()) return false;
        if (AddPage(page)) return true;
        return Refused(cause, fileBroken);
    }

    // A scanner's Group 4 page goes in as it came; its JPEG would need another colour model here, so it is not taken.
    bool StoresCoded(PageCoding coding, PixelFormat format) const override {
        return coding == PageCoding::Group4 && format == PixelFormat::BlackWhite1;
    }

    bool AddCoded(const CodedPage& page, std::wstring& cause, bool& fileBroken) override {
        if (writer_->AddGroup4Page(page.bytes, page.width, page.height, page.xDpi, page.yDpi)) return true;
        return Refused(cause, fileBroken);
    }

    bool Refused(std::wstring& cause, bool& fileBroken) const {
        cause = Widen(Describe(writer_->Error()));
        fileBroken = !LeavesFileUsable(writer_->Error());
        return false;
    }

    bool AddPage(const PageImage& page) {
        // JPEG has no bilevel mode: 1-bit pages stay Group 4 whatever was asked.
        if (options_.tiff != TiffPageCompression::Jpeg || page.format == PixelFormat::BlackWhite1) return writer_->AddPage(page);
        const std::vector<std::uint8_t> jpeg = EncodeJpeg(page, options_.jpegQuality);
        JpegPageInfo info{.width = page.width, .height = page.height, .colour = page.format == PixelFormat::Rgb24,
                          .subsamplingX = 2, .subsamplingY = 2, .xDpi = page.xDpi, .yDpi = page.yDpi,
                          .iccProfile = page.iccProfile};
        return writer_->AddJpegPage(jpeg, info);
    }

    bool Complete(std::wstring& cause) override {
        if (writer_->Finish()) return true;
        cause = Widen(Describe(writer_->Error()));
        return false;
    }

    std::uint32_t Pages() const override { return writer_ ? writer_->PageCount() : 0; }

    FileOptions options_;
    std::optional<TiffWriter> writer_;
};

}  // namespace

std::unique_ptr<PageConsumer> OpenTiffFile(std::wstring_view path, const FileOptions& options) {
    return std::make_unique<TiffFile>(path, options);
}

}  // namespace vantrel::imaging
