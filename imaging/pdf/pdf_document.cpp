// Info and XMP from one set of texts and one date, so a PDF/A validator finds them equal.
#include "imaging/pdf/pdf_document.h"

#include <cstdlib>

#include "win32/utf8_text.h"

namespace vantrel::imaging {
namespace {

std::string Two(int value) { return std::string(1, char('0' + value / 10)) + char('0' + value % 10); }

// ISO 8601 as XMP writes dates: 2024-03-09T14:05:07+01:00.
std::string XmpDate(const PdfDate& d) {
    const int offset = std::abs(d.utcOffsetMinutes);
    return PdfInteger(static_cast<std::uint64_t>(d.year)) + "-" + Two(d.month) + "-" + Two(d.day) + "T" + Two(d.hour) +
           ":" + Two(d.minute) + ":" + Two(d.second) + (d.utcOffsetMinutes < 0 ? "-" : "+") + Two(offset / 60) + ":" +
           Two(offset % 60);
}

std::string XmlEscaped(std::string_view text) {
    std::string out;
    for (const char c : text) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            default: out += c;
        }
    }
    return out;
}

std::string Alternative(const char* property, const std::string& text) {
    return std::string("   <") + property + "><rdf:Alt><rdf:li xml:lang=\"x-default\">" + XmlEscaped(text) +
           "</rdf:li></rdf:Alt></" + property + ">\n";
}

std::string Simple(const char* property, const std::string& text) {
    return std::string("   <") + property + ">" + XmlEscaped(text) + "</" + property + ">\n";
}

std::string Entry(const char* key, const std::string& text) {
    return text.empty() ? std::string() : std::string(" /") + key + " " + PdfTextString(text);
}

}  // namespace

std::optional<PdfArchive> ParsePdfArchive(std::string_view text) {
    if (text.empty()) return PdfArchive::None;
    if (text == "1b" || text == "1B") return PdfArchive::A1b;
    if (text == "2b" || text == "2B") return PdfArchive::A2b;
    return std::nullopt;
}

std::string PdfTextString(std::string_view utf8) {
    bool plain = true;
    for (const char c : utf8) plain = plain && c >= 0x20 && c < 0x7F;
    if (plain) {
        std::string text = "(";
        for (const char c : utf8) {
            if (c == '(' || c == ')' || c == '\\') text += '\\';
            text += c;
        }
        return text + ")";
    }
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string hex = "<FEFF";
    const auto unit = [&](std::uint32_t u) {
        for (int shift = 12; shift >= 0; shift -= 4) hex += kDigits[(u >> shift) & 15];
    };
    for (const wchar_t w : Widen(utf8)) {
        const auto code = static_cast<std::uint32_t>(w);
        if (code < 0x10000) {
            unit(code);
        } else {  // only where wchar_t is 32 bits; Widen already paired them where it is 16
            unit(0xD800 + ((code - 0x10000) >> 10));
            unit(0xDC00 + ((code - 0x10000) & 0x3FF));
        }
    }
    return hex + ">";
}

std::string InfoEntries(const PdfDocument& document, const PdfDate& date) {
    const DocumentMetadata& m = document.metadata;
    const std::string when = PdfTextString(PdfDateText(date).value_or(""));
    return Entry("Title", m.title) + Entry("Author", m.author) + Entry("Subject", m.subject) +
           Entry("Keywords", m.keywords) + Entry("Creator", kProductAndVersion) + Entry("Producer", kProductAndVersion) +
           " /CreationDate " + when + " /ModDate " + when;
}

// Readers may rewrite the packet in place, so it ends with room to grow, as XMP recommends.
std::string XmpPacket(const PdfDocument& document, const PdfDate& date) {
    const DocumentMetadata& m = document.metadata;
    const std::string when = XmpDate(date);
    std::string xmp =
        "<?xpacket begin=\"\xEF\xBB\xBF\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?>\n"
        "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\">\n <rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">\n"
        "  <rdf:Description rdf:about=\"\" xmlns:dc=\"http://purl.org/dc/elements/1.1/\">\n"
        "   <dc:format>application/pdf</dc:format>\n";
    if (!m.title.empty()) xmp += Alternative("dc:title", m.title);
    if (!m.author.empty()) xmp += "   <dc:creator><rdf:Seq><rdf:li>" + XmlEscaped(m.author) + "</rdf:li></rdf:Seq></dc:creator>\n";
    if (!m.subject.empty()) xmp += Alternative("dc:description", m.subject);
    if (!m.keywords.empty()) xmp += "   <dc:subject><rdf:Bag><rdf:li>" + XmlEscaped(m.keywords) + "</rdf:li></rdf:Bag></dc:subject>\n";
    xmp += "  </rdf:Description>\n  <rdf:Description rdf:about=\"\" xmlns:xmp=\"http://ns.adobe.com/xap/1.0/\">\n" +
           Simple("xmp:CreateDate", when) + Simple("xmp:ModifyDate", when) + Simple("xmp:CreatorTool", kProductAndVersion) +
           "  </rdf:Description>\n  <rdf:Description rdf:about=\"\" xmlns:pdf=\"http://ns.adobe.com/pdf/1.3/\">\n" +
           Simple("pdf:Producer", kProductAndVersion);
    if (!m.keywords.empty()) xmp += Simple("pdf:Keywords", m.keywords);
    xmp += "  </rdf:Description>\n";
    if (document.archive != PdfArchive::None) {
        xmp += "  <rdf:Description rdf:about=\"\" xmlns:pdfaid=\"http://www.aiim.org/pdfa/ns/id/\">\n" +
               Simple("pdfaid:part", document.archive == PdfArchive::A1b ? "1" : "2") + Simple("pdfaid:conformance", "B") +
               "  </rdf:Description>\n";
    }
    xmp += " </rdf:RDF>\n</x:xmpmeta>\n" + std::string(20, ' ') + "\n<?xpacket end=\"w\"?>";
    return xmp;
}

}  // namespace vantrel::imaging
