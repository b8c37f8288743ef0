// Writing the PDF objects page by page, the page tree's open branch and the update sections.
#include "imaging/pdf/pdf_writer.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <string>

#include "imaging/icc/standard_profiles.h"

namespace vantrel::imaging {
namespace {

// The header's second line is a comment of bytes above 127, so transfer programs treat the file as binary.
constexpr std::string_view kHeader = "%PDF-1.4\n%\xE2\xE3\xCF\xD3\n";
constexpr std::uint64_t kLargestOffset = 9'999'999'999;  // ten digits in a cross-reference entry
constexpr std::uint64_t kCatalog = 1;
// Upper bounds on what surrounds a page's image bytes (its dictionaries, content stream, page object, the
// tree's branch and an update section) and on what Finish may still write per object (a cross-reference
// entry, a share of a tree node), so a page is refused before any of it is written when the file would
// outgrow its offsets.
constexpr std::uint64_t kPageOverhead = 16384;
constexpr std::uint64_t kBytesPerObject = 64;
constexpr std::size_t kEntriesPerWrite = 256;

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

PdfWriter::PdfWriter(ByteSink& sink, bool checkpoints) : sink_(sink), checkpoints_(checkpoints) {}

PdfWriter::PdfWriter(ByteSink& sink, PdfDocument document, bool checkpoints)
    : sink_(sink), checkpoints_(checkpoints), document_(std::move(document)) {}

std::size_t PdfWriter::RetainedBytes() const {
    std::size_t bytes = offsets_.capacity() * sizeof(std::uint64_t);
    for (const Profile& profile : profiles_) bytes += profile.bytes.capacity();
    return bytes;
}

PdfResult PdfWriter::ProfileObject(const PdfImage& image, std::uint64_t& object) {
    object = 0;
    const std::span<const std::uint8_t> profile = ImageProfile(image);
    if (profile.empty()) return PdfResult::Ok;
    for (const Profile& known : profiles_) {
        if (std::equal(known.bytes.begin(), known.bytes.end(), profile.begin(), profile.end())) {
            object = known.object;
            return PdfResult::Ok;
        }
    }
    object = NewObject();
    if (profiles_.size() < kSharedProfiles) profiles_.push_back(Profile{object, {profile.begin(), profile.end()}});
    return WriteStreamObject(object, ProfileDictionaryEntries(image), profile);
}

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

std::uint64_t PdfWriter::NewObject() {
    offsets_.push_back(0);
    return offsets_.size();
}

// Records where the object starts; every offset must fit the cross-reference table's ten digits.
PdfResult PdfWriter::BeginObject(std::uint64_t number) {
    const std::uint64_t at = sink_.Size();
    if (at > kLargestOffset) return Fail(PdfResult::TooLarge);
    offsets_[static_cast<std::size_t>(number - 1)] = at;
    written_.push_back(number);
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

PdfResult PdfWriter::WriteNode(std::size_t level) {
    Node& node = branch_[level];
    if (const PdfResult r = BeginObject(node.object); r != PdfResult::Ok) return r;
    std::string text = "<< /Type /Pages";
    if (level + 1 < branch_.size()) text += " /Parent " + Reference(branch_[level + 1].object);
    text += " /Kids [";
    for (std::size_t i = 0; i < node.kids.size(); ++i) {
        // Appended piece by piece: MinGW's GCC 12 misreads "literal" + std::string as an overlapping copy.
        if (i != 0) text += ' ';
        text += Reference(node.kids[i]);
    }
    text += "] /Count " + PdfInteger(node.count) + " >>\nendobj\n";
    if (!Write(text)) return Fail(PdfResult::SinkFailed);
    node.dirty = false;
    return PdfResult::Ok;
}

// Makes room in the tree for one more page: a full leaf is closed with every full node above it (written as
// they stand, for good), a new root put above a full root, and new nodes opened down to a new leaf.
PdfResult PdfWriter::PlacePage(std::uint64_t pageObject) {
    if (branch_.empty()) {
        branch_.push_back(Node{NewObject(), {}, 0, true});
        catalogDirty_ = true;
    } else if (branch_[0].kids.size() == kPageTreeFanout) {
        std::size_t open = 0;
        while (open < branch_.size() && branch_[open].kids.size() == kPageTreeFanout) ++open;
        if (open == branch_.size()) {
            const Node& root = branch_.back();
            branch_.push_back(Node{NewObject(), {root.object}, root.count, true});
            branch_[open - 1].dirty = true;  // it gains a parent
            catalogDirty_ = true;
        }
        for (std::size_t level = 0; level < open; ++level) {
            if (!branch_[level].dirty) continue;
            if (const PdfResult r = WriteNode(level); r != PdfResult::Ok) return r;
        }
        for (std::size_t level = open; level-- > 0;) {
            branch_[level] = Node{NewObject(), {}, 0, true};
            branch_[level + 1].kids.push_back(branch_[level].object);
        }
    }
    branch_[0].kids.push_back(pageObject);
    for (Node& node : branch_) {
        ++node.count;
        node.dirty = true;
    }
    return PdfResult::Ok;
}

PdfResult PdfWriter::WriteOpenBranch() {
    for (std::size_t level = 0; level < branch_.size(); ++level) {
        if (!branch_[level].dirty) continue;
        if (const PdfResult r = WriteNode(level); r != PdfResult::Ok) return r;
    }
    if (!catalogDirty_) return PdfResult::Ok;
    if (const PdfResult r = BeginObject(kCatalog); r != PdfResult::Ok) return r;
    if (!Write("<< /Type /Catalog /Pages " + Reference(branch_.back().object) + catalogEntries_ + " >>\nendobj\n"))
        return Fail(PdfResult::SinkFailed);
    catalogDirty_ = false;
    return PdfResult::Ok;
}

PdfResult PdfWriter::AddPage(const PdfImage& image) {
    if (sticky_ != PdfResult::Ok) return sticky_;
    if (!IsDescribable(image)) return PdfResult::BadImage;
    const std::optional<PageSize> size = PageSizeInPoints(image);
    if (!size) return PdfResult::BadImage;
    const std::uint64_t needed = image.bytes.size() + ImageProfile(image).size() + kPageOverhead + kBytesPerObject * (offsets_.size() + 8);
    if (sink_.Size() > kLargestOffset || needed > kLargestOffset - sink_.Size()) return PdfResult::TooLarge;

    colour_ = colour_ || image.colorSpace == PdfColorSpace::DeviceRGB;
    if (pages_ == 0) {
        offsets_.assign(1, 0);  // the catalog
        written_.assign(1, 0);  // the first section starts with the free entry 0
        if (!Write(kHeader)) return Fail(PdfResult::SinkFailed);
    }
    const std::uint64_t imageObject = NewObject(), contentObject = NewObject(), pageObject = NewObject();
    if (const PdfResult r = PlacePage(pageObject); r != PdfResult::Ok) return r;
    const std::string width = *PdfReal(size->width), height = *PdfReal(size->height);
    std::uint64_t profileObject = 0;
    if (const PdfResult r = ProfileObject(image, profileObject); r != PdfResult::Ok) return r;
    if (const PdfResult r = WriteStreamObject(imageObject, ImageDictionaryEntries(image, profileObject), image.bytes);
        r != PdfResult::Ok)
        return r;
    // The image space is the unit square; scaling it to the page makes the image fill the page.
    const std::string content = "q " + width + " 0 0 " + height + " 0 0 cm /Im0 Do Q\n";
    const std::span contentBytes(reinterpret_cast<const std::uint8_t*>(content.data()), content.size());
    if (const PdfResult r = WriteStreamObject(contentObject, "", contentBytes); r != PdfResult::Ok) return r;
    if (const PdfResult r = BeginObject(pageObject); r != PdfResult::Ok) return r;
    const std::string page = "<< /Type /Page /Parent " + Reference(branch_[0].object) + " /MediaBox [0 0 " + width + " " +
                             height + "] /Resources << /XObject << /Im0 " + Reference(imageObject) + " >> >> /Contents " +
                             Reference(contentObject) + " >>\nendobj\n";
    if (!Write(page)) return Fail(PdfResult::SinkFailed);
    ++pages_;
    if (!checkpoints_) return PdfResult::Ok;
    if (const PdfResult r = WriteOpenBranch(); r != PdfResult::Ok) return r;
    return WriteUpdate(0);
}

// A cross-reference section of the objects written since the last one, in runs of consecutive numbers (every
// entry exactly 20 bytes: ten-digit offset, five-digit generation, type, two-byte end of line), and its
// trailer. `info` 0 for a page's update; the document information's object for the last, whose trailer also
// carries the file identifier.
PdfResult PdfWriter::WriteUpdate(std::uint64_t info) {
    const std::uint64_t at = sink_.Size();
    if (at > kLargestOffset) return Fail(PdfResult::TooLarge);
    std::sort(written_.begin(), written_.end());
    written_.erase(std::unique(written_.begin(), written_.end()), written_.end());
    std::string text = "xref\n";
    for (std::size_t run = 0; run < written_.size();) {
        std::size_t end = run + 1;
        while (end < written_.size() && written_[end] == written_[end - 1] + 1) ++end;
        text += PdfInteger(written_[run]) + " " + PdfInteger(end - run) + "\n";
        for (std::size_t i = run; i < end; ++i) {
            const std::uint64_t object = written_[i];
            text += object == 0 ? std::string("0000000000 65535 f\r\n") : TenDigits(offsets_[object - 1]) + " 00000 n\r\n";
            if ((i + 1) % kEntriesPerWrite != 0) continue;
            if (!Write(text)) return Fail(PdfResult::SinkFailed);
            text.clear();
        }
        run = end;
    }
    if (!Write(text)) return Fail(PdfResult::SinkFailed);
    written_.clear();
    std::string trailer = "trailer\n<< /Size " + PdfInteger(offsets_.size() + 1) + " /Root " + Reference(kCatalog);
    if (lastXref_ != 0) trailer += " /Prev " + PdfInteger(lastXref_);
    trailer += " /ID [" + FileIdentifier() + " " + FileIdentifier() + "]";
    if (info != 0) trailer += " /Info " + Reference(info);
    trailer += " >>\nstartxref\n" + PdfInteger(at) + "\n%%EOF\n";
    if (!Write(trailer)) return Fail(PdfResult::SinkFailed);
    lastXref_ = at;
    return PdfResult::Ok;
}

PdfResult PdfWriter::Finish(const PdfDate& creationDate) {
    if (sticky_ != PdfResult::Ok) return sticky_;
    if (pages_ == 0) return PdfResult::NoPages;
    const std::optional<std::string> date = PdfDateText(creationDate);
    if (!date) return PdfResult::BadDate;

    if (const PdfResult r = WriteDocumentParts(creationDate); r != PdfResult::Ok) return r;
    if (const PdfResult r = WriteOpenBranch(); r != PdfResult::Ok) return r;
    const std::uint64_t info = NewObject();
    if (const PdfResult r = BeginObject(info); r != PdfResult::Ok) return r;
    if (!Write("<<" + InfoEntries(document_, creationDate) + " >>\nendobj\n")) return Fail(PdfResult::SinkFailed);
    if (const PdfResult r = WriteUpdate(info); r != PdfResult::Ok) return r;
    sticky_ = PdfResult::Finished;
    return PdfResult::Ok;
}

// The identifier is a digest of the file up to its first trailer (both halves equal for a new file), so every
// update section can carry the same one, as PDF/A asks of each trailer.
std::string PdfWriter::FileIdentifier() {
    if (!id_.empty()) return id_;
    std::array<std::uint8_t, 16> id{};
    const std::uint64_t size = sink_.Size();
    for (int i = 0; i < 4; ++i) {
        id[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(crc_ >> (24 - 8 * i));
        id[static_cast<std::size_t>(4 + i)] = static_cast<std::uint8_t>(adler_ >> (24 - 8 * i));
    }
    for (int i = 0; i < 8; ++i) id[static_cast<std::size_t>(8 + i)] = static_cast<std::uint8_t>(size >> (56 - 8 * i));
    id_ = '<' + Hex(id) + '>';
    return id_;
}

// The XMP metadata in every file; for PDF/A also the output intent, whose profile is sRGB when any page is in
// colour (grey pages stay DeviceGray, which an output intent of any colour space allows) and grey otherwise.
// The metadata stream stays unfiltered, as PDF/A-1 requires.
PdfResult PdfWriter::WriteDocumentParts(const PdfDate& date) {
    const std::string xmp = XmpPacket(document_, date);
    const std::uint64_t metadata = NewObject();
    const std::span xmpBytes(reinterpret_cast<const std::uint8_t*>(xmp.data()), xmp.size());
    if (const PdfResult r = WriteStreamObject(metadata, " /Type /Metadata /Subtype /XML", xmpBytes); r != PdfResult::Ok)
        return r;
    catalogEntries_ = " /Metadata " + Reference(metadata);
    if (document_.archive != PdfArchive::None) {
        const std::uint64_t profile = NewObject();
        const auto& bytes = colour_ ? icc::SrgbProfile() : icc::GreyProfile();
        if (const PdfResult r = WriteStreamObject(profile, colour_ ? " /N 3" : " /N 1", bytes); r != PdfResult::Ok) return r;
        const std::string name = colour_ ? "(sRGB IEC61966-2.1)" : "(Grey, sRGB tone curve, D50)";
        catalogEntries_ += " /OutputIntents [<< /Type /OutputIntent /S /GTS_PDFA1 /OutputConditionIdentifier " + name +
                           " /Info " + name + " /DestOutputProfile " + Reference(profile) + " >>]";
    }
    catalogDirty_ = true;
    return PdfResult::Ok;
}

}  // namespace vantrel::imaging
