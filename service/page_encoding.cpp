// Pages coded by our own PNG and JPEG writers, in memory.
#include "service/page_encoding.h"

#include "imaging/byte_sink.h"
#include "imaging/jpeg/jpeg_encoder.h"
#include "imaging/png/png_writer.h"

namespace vantrel::service {

std::optional<EncodedPage> EncodePage(const imaging::PageImage& page, const std::string& format, int jpegQuality) {
    if (!imaging::IsWellFormed(page)) return std::nullopt;
    EncodedPage encoded;
    encoded.contentType = format;
    encoded.width = page.width;
    encoded.height = page.height;
    encoded.bytesPerLine = static_cast<std::uint32_t>(imaging::MinimumStride(page.format, page.width));
    imaging::MemorySink sink;
    const bool written = format == "image/png" ? imaging::WritePng(page, sink) : format == "image/jpeg" && imaging::WriteJpeg(page, jpegQuality, sink);
    if (!written) return std::nullopt;
    encoded.bytes.assign(sink.Data().begin(), sink.Data().end());
    return encoded;
}

}  // namespace vantrel::service
