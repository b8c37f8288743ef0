// Choosing the consumer for a file name, and the errors every consumer words the same way.
#include "imaging/files/page_files.h"

#include "imaging/files/page_file_consumers.h"

namespace vantrel::imaging {

std::wstring MalformedPageError(std::wstring_view path) {
    return CannotWrite(path, L"the page is not a valid image (its size, row length and pixel bytes do not agree)");
}

std::wstring FinishedError(std::wstring_view path) {
    return CannotWrite(path, L"the file was already completed; no more pages can be added");
}

std::wstring JpegSizeCause(const PageImage& page) {
    if (page.width <= 65535 && page.height <= 65535) return {};
    return L"the page is larger than the 65535 pixels a side a JPEG can hold";
}

std::unique_ptr<PageConsumer> OpenPageFiles(std::wstring_view pathPattern, const FileOptions& options, std::wstring& error) {
    const std::optional<FileFormat> format = FormatFromName(pathPattern, error);
    if (!format) return nullptr;
    if (options.jpegQuality < 1 || options.jpegQuality > 100) {
        error = CannotWrite(pathPattern, L"the JPEG quality " + std::to_wstring(options.jpegQuality) + L" is not between 1 and 100");
        return nullptr;
    }
    switch (*format) {
        case FileFormat::Tiff: return OpenTiffFile(pathPattern, options);
        case FileFormat::Pdf: return OpenPdfFile(pathPattern, options);
        case FileFormat::Bmp:
        case FileFormat::Png:
        case FileFormat::Jpeg: return OpenSinglePageFiles(pathPattern, *format, options);
    }
    return nullptr;
}

}  // namespace vantrel::imaging
