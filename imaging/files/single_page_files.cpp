// BMP, PNG and JPEG: one file a page, each complete and in place when Take returns.
#include <vector>

#include "imaging/bmp/bmp_writer.h"
#include "imaging/files/file_sink.h"
#include "imaging/icc_profile.h"
#include "imaging/jpeg/icc_segments.h"
#include "imaging/jpeg/jpeg_encoder.h"
#include "imaging/files/page_file_consumers.h"
#include "imaging/png/png_writer.h"

namespace vantrel::imaging {
namespace {

class SinglePageFiles final : public PageConsumer {
public:
    SinglePageFiles(std::wstring_view pattern, FileFormat format, const FileOptions& options)
        : pattern_(pattern), format_(format), options_(options) {}

    bool Take(const PageImage& page) override {
        const std::wstring path = PageFileName(pattern_, next_);
        if (!finished_ && !IsWellFormed(page)) return Fail(MalformedPageError(path));
        if (!finished_ && format_ == FileFormat::Jpeg && !JpegSizeCause(page).empty()) return Fail(CannotWrite(path, JpegSizeCause(page)));
        return Store(path, [&](ByteSink& sink) { return Write(page, sink); });
    }

    // A JPEG file is a scanner's JPEG stream itself, its page's profile put in when it carries none.
    bool StoresCoded(PageCoding coding, PixelFormat format) const override {
        return format_ == FileFormat::Jpeg && coding == PageCoding::Jpeg && format != PixelFormat::BlackWhite1;
    }

    bool TakeCoded(const CodedPage& page) override {
        const std::span<const std::uint8_t> profile = EmbeddableProfile(page.iccProfile, page.format);
        return Store(PageFileName(pattern_, next_), [&](ByteSink& sink) { return jpeg::AppendWithProfile(page.bytes, profile, sink); });
    }

    // Every page's file is complete already; nothing is left to write, even after a failed page.
    bool Finish() override {
        finished_ = true;
        return true;
    }

    const std::wstring& Error() const override { return error_; }
    const std::vector<StoredFile>& Files() const override { return files_; }

private:
    template <typename WritePage>
    bool Store(const std::wstring& path, WritePage write) {
        if (finished_) return Fail(FinishedError(path));
        std::unique_ptr<FileSink> sink = FileSink::Create(path, error_);
        if (!sink) return false;
        if (!write(*sink)) {
            return Fail(!sink->Error().empty() ? sink->Error() : CannotWrite(path, L"the page is too large for this file format"));
        }
        if (!sink->Commit()) return Fail(sink->Error());
        files_.push_back(StoredFile{path, sink->Size(), 1});
        ++next_;
        return true;
    }

    bool Write(const PageImage& page, ByteSink& sink) const {
        switch (format_) {
            case FileFormat::Bmp: return WriteBmp(page, sink);
            case FileFormat::Png: return WritePng(page, sink);
            case FileFormat::Jpeg: return WriteJpeg(page, options_.jpegQuality, sink);
            case FileFormat::Tiff:
            case FileFormat::Pdf: break;
        }
        return false;
    }

    bool Fail(std::wstring error) {
        error_ = std::move(error);
        return false;
    }

    std::wstring pattern_;
    FileFormat format_;
    FileOptions options_;
    std::uint32_t next_ = 1;
    bool finished_ = false;
    std::wstring error_;
    std::vector<StoredFile> files_;
};

}  // namespace

std::unique_ptr<PageConsumer> OpenSinglePageFiles(std::wstring_view pattern, FileFormat format, const FileOptions& options) {
    return std::make_unique<SinglePageFiles>(pattern, format, options);
}

}  // namespace vantrel::imaging
