// A PDF file written page by page onto a sink: one image filling each page, nothing kept but offsets.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "imaging/byte_sink.h"
#include "imaging/pdf/pdf_image.h"
#include "imaging/pdf/pdf_text.h"

namespace vantrel::imaging {

enum class PdfResult : std::uint8_t {
    Ok,
    BadImage,    // not describable, or its page size is not (nothing written; the writer goes on)
    BadDate,     // Finish's date does not exist (nothing written; Finish may be called again)
    NoPages,     // Finish before any page: a PDF needs one (nothing written)
    TooLarge,    // an object would start past the 10 digits a cross-reference offset has
    SinkFailed,  // the sink refused bytes; the file is unusable and every later call says so
    Finished,    // the file is complete; no more pages
};

std::string_view PdfResultName(PdfResult result);

// Object 1 is the catalog and 2 the page tree, both written by Finish, so each page can name its parent
// before the tree exists; page k (from 0) is objects 3k + 3 (image), 3k + 4 (content), 3k + 5 (page).
// The header goes out with the first page, so a writer that never gets one writes nothing.
class PdfWriter {
public:
    explicit PdfWriter(ByteSink& sink);

    // Appends the image, a content stream drawing it over the whole page, and the page.
    PdfResult AddPage(const PdfImage& image);

    // Writes the page tree, the catalog, the document information (Producer and CreationDate), the
    // cross-reference table and the trailer.
    PdfResult Finish(const PdfDate& creationDate);

    std::uint32_t PageCount() const { return pages_; }

    // What the writer keeps between pages: the objects' offsets, 24 bytes a page plus the vector's slack.
    std::size_t RetainedBytes() const { return offsets_.capacity() * sizeof(std::uint64_t); }

private:
    bool Write(std::string_view text);
    bool Write(std::span<const std::uint8_t> bytes);
    PdfResult BeginObject(std::uint64_t number);
    PdfResult WriteStreamObject(std::uint64_t number, const std::string& dictionary, std::span<const std::uint8_t> data);
    PdfResult WritePageTree();
    PdfResult WriteCrossReference(std::uint64_t& at);
    PdfResult Fail(PdfResult result);

    ByteSink& sink_;
    std::vector<std::uint64_t> offsets_;  // by object number - 1
    std::uint32_t pages_ = 0;
    PdfResult sticky_ = PdfResult::Ok;  // SinkFailed, TooLarge or Finished once one happened
    std::uint32_t crc_ = 0;             // over every byte written, for the file identifier
    std::uint32_t adler_ = 1;
};

}  // namespace vantrel::imaging
