// The document-level parts of a PDF: the information dictionary, the XMP metadata that repeats it, and the
// PDF/A identification and output intent. Pure text, so the writer only places it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "imaging/document_metadata.h"
#include "imaging/pdf/pdf_text.h"

namespace vantrel::imaging {

enum class PdfArchive : std::uint8_t {
    None,
    A1b,  // PDF/A-1b (ISO 19005-1, level B)
    A2b,  // PDF/A-2b (ISO 19005-2, level B)
};

struct PdfDocument {
    PdfArchive archive = PdfArchive::None;
    DocumentMetadata metadata = {};
};

// "" -> None, "1b" -> A1b, "2b" -> A2b (either case); nullopt for anything else.
std::optional<PdfArchive> ParsePdfArchive(std::string_view text);

// A text string: a literal of printable ASCII (escaped), otherwise UTF-16BE with its byte order mark, in hex.
std::string PdfTextString(std::string_view utf8);

// The information dictionary's entries (between "<<" and ">>"): the metadata given, Creator and Producer, and
// the date as both CreationDate and ModDate. `date` must be valid (PdfDateText).
std::string InfoEntries(const PdfDocument& document, const PdfDate& date);

// The XMP packet holding the same texts and dates as InfoEntries, plus the PDF/A identification when archiving.
std::string XmpPacket(const PdfDocument& document, const PdfDate& date);

}  // namespace vantrel::imaging
