// Writing the PDF objects page by page, then the page tree, cross-reference table and trailer.
#include "imaging/pdf/pdf_writer.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <string>

namespace vantrel::imaging {
namespace {

// The header's second line is a comment of bytes above 127, so transfer programs treat the file as binary.
constexpr std::string_view kHeader = "%PDF-1.4\n%\xE2\xE3\xCF\xD3\n";
constexpr std::uint64_t kLargestOffset = 9'999'999'999;  // ten digits in a cross-reference entry
constexpr std::uint64_t kCatalog = 1;
constexpr std::uint64_t kPageTree = 2;
constexpr std::uint64_t kFirstPageObject = 3;
constexpr std::uint64_t kObjectsPerPage = 3;
// Upper bounds on what surrounds a page's image bytes (its dictionaries, content stream and page object)
// and on Finish's objects, so a page is refused before any of it is written when the file would outgrow
// its offsets.
constexpr std::uint64_t kPageOverhead = 1024;
constexpr std::uint64_t kFinishOverhead = 512;
constexpr std::uint64_t kBytesPerKid = 16;
constexpr std::size_t kKidsPerWrite = 256;

std::uint64_t PageObject(std::uint64_t page) { return kFirstPageObject + kObjectsPerPage * page + 2; }

std::string Reference(std::uint64_t object) { return PdfInteger(object) + " 0 R"; }

std::string TenDigits(std::uint64_t value) {
    std::string text = PdfInteger(value);
    return std::string(10 - text.size(), '0') + text;
}

std::string Hex(std::span<const std::uint8_t> bytes) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    for (const std::uint8_t b : bytes) {
        text += kDigits[b >> 4];
        text += kDigits[b & 15];
    }
    return text;
}

}  // namespace

std::string_view PdfResultName(PdfResult result) {
    switch (result) {
        case PdfResult::Ok: return "Ok";
        case PdfResult::BadImage: return "BadImage";
        case PdfResult::BadDate: return "BadDate";
        case PdfResult::NoPages: return "NoPages";
        case PdfResult::TooLarge: return "TooLarge";
        case PdfResult::SinkFailed: return "SinkFailed";
        case PdfResult::Finished: return "Finished";
    }
    return "unknown";
}

PdfWriter::PdfWriter(ByteSink& sink) : sink_(sink) {}

PdfResult PdfWriter::Fail(PdfResult result) {
    sticky_ = result;
    return result;
}

bool PdfWriter::Write(std::span<const std::uint8_t> bytes) {
    if (!sink_.Append(bytes)) return false;
    // zlib counts in uInt; the checksums are fed in pieces it can take.
    for (std::size_t at = 0; at < bytes.size();) {
        const auto n = static_cast<uInt>(std::min<std::size_t>(bytes.size() - at, 1u << 30));
        crc_ = static_cast<std::uint32_t>(crc32(crc_, bytes.data() + at, n));
        adler_ = static_cast<std::uint32_t>(adler32(adler_, bytes.data() + at, n));
        at += n;
    }
    return true;
}

bool PdfWriter::Write(std::string_view text) {
    return Write(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

// Records where the object starts; every offset must fit the cross-reference table's ten digits.
PdfResult PdfWriter::BeginObject(std::uint64_t number) {
    const std::uint64_t at = sink_.Size();
    if (at > kLargestOffset) return Fail(PdfResult::TooLarge);
    if (offsets_.size() < number) offsets_.resize(static_cast<std::size_t>(number), 0);
    offsets_[static_cast<std::size_t>(number - 1)] = at;
    if (!Write(PdfInteger(number) + " 0 obj\n")) return Fail(PdfResult::SinkFailed);
    return PdfResult::Ok;
}

PdfResult PdfWriter::WriteStreamObject(std::uint64_t number, const std::string& dictionary,
                                       std::span<const std::uint8_t> data) {
    if (const PdfResult begun = BeginObject(number); begun != PdfResult::Ok) return begun;
    const std::string head = "<<" + dictionary + " /Length " + PdfInteger(data.size()) + " >>\nstream\n";
    if (!Write(head) || !Write(data) || !Write("\nendstream\nendobj\n")) return Fail(PdfResult::SinkFailed);
    return PdfResult::Ok;
}

PdfResult PdfWriter::AddPage(const PdfImage& image) {
    if (sticky_ != PdfResult::Ok) return sticky_;
    if (!IsDescribable(image)) return PdfResult::BadImage;
    const std::optional<PageSize> size = PageSizeInPoints(image);
    if (!size) return PdfResult::BadImage;
    const std::uint64_t needed = image.bytes.size() + kPageOverhead + kFinishOverhead + kBytesPerKid * (pages_ + 1ull);
    if (sink_.Size() > kLargestOffset || needed > kLargestOffset - sink_.Size()) return PdfResult::TooLarge;

    if (pages_ == 0) {
        offsets_.assign(2, 0);  // the catalog and the page tree come last
        if (!Write(kHeader)) return Fail(PdfResult::SinkFailed);
    }
    const std::uint64_t imageObject = kFirstPageObject + kObjectsPerPage * pages_;
    const std::string width = *PdfReal(size->width), height = *PdfReal(size->height);
    if (const PdfResult r = WriteStreamObject(imageObject, ImageDictionaryEntries(image), image.bytes); r != PdfResult::Ok)
        return r;
    // The image space is the unit square; scaling it to the page makes the image fill the page.
    const std::string content = "q " + width + " 0 0 " + height + " 0 0 cm /Im0 Do Q\n";
    const std::span contentBytes(reinterpret_cast<const std::uint8_t*>(content.data()), content.size());
    if (const PdfResult r = WriteStreamObject(imageObject + 1, "", contentBytes); r != PdfResult::Ok) return r;
    if (const PdfResult r = BeginObject(imageObject + 2); r != PdfResult::Ok) return r;
    const std::string page = "<< /Type /Page /Parent " + Reference(kPageTree) + " /MediaBox [0 0 " + width + " " + height +
                             "] /Resources << /XObject << /Im0 " + Reference(imageObject) + " >> >> /Contents " +
                             Reference(imageObject + 1) + " >>\nendobj\n";
    if (!Write(page)) return Fail(PdfResult::SinkFailed);
    ++pages_;
    return PdfResult::Ok;
}

PdfResult PdfWriter::WritePageTree() {
    if (const PdfResult r = BeginObject(kPageTree); r != PdfResult::Ok) return r;
    std::string text = "<< /Type /Pages /Kids [";
    for (std::uint64_t page = 0; page < pages_; ++page) {
        // Appended piece by piece: MinGW's GCC 12 misreads "literal" + std::string as an overlapping copy.
        if (page != 0) text += ' ';
        text += Reference(PageObject(page));
        if ((page + 1) % kKidsPerWrite != 0) continue;
        if (!Write(text)) return Fail(PdfResult::SinkFailed);
        text.clear();
    }
    text += "] /Count " + PdfInteger(pages_) + " >>\nendobj\n";
    if (!Write(text)) return Fail(PdfResult::SinkFailed);
    return PdfResult::Ok;
}

// Every entry is exactly 20 bytes: ten-digit offset, five-digit generation, type, and a two-byte end of line.
PdfResult PdfWriter::WriteCrossReference(std::uint64_t& at) {
    at = sink_.Size();
    if (at > kLargestOffset) return Fail(PdfResult::TooLarge);
    std::string text = "xref\n0 " + PdfInteger(offsets_.size() + 1) + "\n0000000000 65535 f\r\n";
    for (std::size_t i = 0; i < offsets_.size(); ++i) {
        text += TenDigits(offsets_[i]) + " 00000 n\r\n";
        if ((i + 1) % kKidsPerWrite != 0) continue;
        if (!Write(text)) return Fail(PdfResult::SinkFailed);
        text.clear();
    }
    if (!Write(text)) return Fail(PdfResult::SinkFailed);
    return PdfResult::Ok;
}

PdfResult PdfWriter::Finish(const PdfDate& creationDate) {
    if (sticky_ != PdfResult::Ok) return sticky_;
    if (pages_ == 0) return PdfResult::NoPages;
    const std::optional<std::string> date = PdfDateText(creationDate);
    if (!date) return PdfResult::BadDate;

    if (const PdfResult r = WritePageTree(); r != PdfResult::Ok) return r;
    if (const PdfResult r = BeginObject(kCatalog); r != PdfResult::Ok) return r;
    if (!Write("<< /Type /Catalog /Pages " + Reference(kPageTree) + " >>\nendobj\n")) return Fail(PdfResult::SinkFailed);
    const std::uint64_t info = offsets_.size() + 1;
    if (const PdfResult r = BeginObject(info); r != PdfResult::Ok) return r;
    if (!Write("<< /Producer (Vantrel) /CreationDate (" + *date + ") >>\nendobj\n")) return Fail(PdfResult::SinkFailed);
    std::uint64_t xref = 0;
    if (const PdfResult r = WriteCrossReference(xref); r != PdfResult::Ok) return r;

    // The identifier is a digest of the whole file, date included; both halves are equal for a new file.
    std::array<std::uint8_t, 16> id{};
    const std::uint64_t size = sink_.Size();
    for (int i = 0; i < 4; ++i) {
        id[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(crc_ >> (24 - 8 * i));
        id[static_cast<std::size_t>(4 + i)] = static_cast<std::uint8_t>(adler_ >> (24 - 8 * i));
    }
    for (int i = 0; i < 8; ++i) id[static_cast<std::size_t>(8 + i)] = static_cast<std::uint8_t>(size >> (56 - 8 * i));
    const std::string hex = '<' + Hex(id) + '>';
    const std::string trailer = "trailer\n<< /Size " + PdfInteger(offsets_.size() + 1) + " /Root " + Reference(kCatalog) +
                                " /Info " + Reference(info) + " /ID [" + hex + " " + hex + "] >>\nstartxref\n" +
                                PdfInteger(xref) + "\n%%EOF\n";
    if (!Write(trailer)) return Fail(PdfResult::SinkFailed);
    sticky_ = PdfResult::Finished;
    return PdfResult::Ok;
}

}  // namespace vantrel::imaging
