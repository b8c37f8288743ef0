// A PDF file written page by page onto a sink: one image filling each page, nothing kept but offsets and the
// open branch of the page tree. With checkpoints, each page ends with an update section (its cross-reference
// and trailer), so the file is a complete document of the pages so far at every page boundary.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "imaging/byte_sink.h"
#include "imaging/pdf/pdf_document.h"
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

// Object 1 is the catalog. The page tree is balanced: leaves of up to kPageTreeFanout pages under nodes of
// up to as many nodes, so a page boundary rewrites only the open branch (one node a level, each with its
// /Count) and not a Kids array of every page; when the root is full a new root is put above it and the
// catalog rewritten. Nodes are numbered as they open, so a page names its parent when it is written.
// The header goes out with the first page, so a writer that never gets one writes nothing.
inline constexpr std::size_t kPageTreeFanout = 16;
// Profiles remembered for sharing; a page with yet another one gets its own stream.
inline constexpr std::size_t kSharedProfiles = 4;

class PdfWriter {
public:
    // Without checkpoints the page tree and a single cross-reference table are written by Finish only
    // (the file is a document only then); kept for the benchmark's comparison.
    explicit PdfWriter(ByteSink& sink, bool checkpoints = true);
    // A document with metadata, or a PDF/A one (see WriteDocumentParts).
    PdfWriter(ByteSink& sink, PdfDocument document, bool checkpoints = true);

    // Appends the image, a content stream drawing it over the whole page, and the page; with checkpoints
    // then the changed tree nodes and an update section. The image's profile (ImageProfile) is written once as an
    // ICCBased stream the first time its bytes come, and shared by every later image with the same bytes.
    PdfResult AddPage(const PdfImage& image);

    // Writes the document-level parts, what is still open of the page tree, the document information, and the
    // last cross-reference section. Every trailer carries the same file identifier, fixed at the first one.
    PdfResult Finish(const PdfDate& creationDate);

    std::uint32_t PageCount() const { return pages_; }

    // What the writer keeps between pages: the objects' offsets (8 bytes each, 3 objects a page and a node
    // per 16) plus the vector's slack, and the open branch of the tree.
    std::size_t RetainedBytes() const;

private:
    struct Node {
        std::uint64_t object = 0;
        std::vector<std::uint64_t> kids;
        std::uint64_t count = 0;  // pages below
        bool dirty = true;        // changed since it was last written
    };

    bool Write(std::string_view text);
    bool Write(std::span<const std::uint8_t> bytes);
    PdfResult BeginObject(std::uint64_t number);
    PdfResult WriteStreamObject(std::uint64_t number, const std::string& dictionary, std::span<const std::uint8_t> data);
    std::uint64_t NewObject();
    PdfResult PlacePage(std::uint64_t pageObject);
    PdfResult WriteNode(std::size_t level);
    PdfResult WriteOpenBranch();
    PdfResult WriteUpdate(std::uint64_t info);
    PdfResult WriteDocumentParts(const PdfDate& date);
    std::string FileIdentifier();
    // The object of the ICCBased stream for the image's profile, written now when new; 0 for none.
    PdfResult ProfileObject(const PdfImage& image, std::uint64_t& object);
    PdfResult Fail(PdfResult result);

    ByteSink& sink_;
    bool checkpoints_;
    std::vector<std::uint64_t> offsets_;  // by object number - 1
    std::vector<std::uint64_t> written_;  // objects written since the last cross-reference section
    std::vector<Node> branch_;            // the open node of each level, leaves first; the last is the root
    struct Profile {
        std::uint64_t object = 0;
        std::vector<std::uint8_t> bytes;  // a copy: the image's are gone after its page
    };
    std::vector<Profile> profiles_;       // written so far, at most kSharedProfiles; a batch has one or two
    bool catalogDirty_ = true;
    std::uint64_t lastXref_ = 0;          // 0 before the first section
    std::uint32_t pages_ = 0;
    PdfResult sticky_ = PdfResult::Ok;  // SinkFailed, TooLarge or Finished once one happened
    std::uint32_t crc_ = 0;             // over every byte written, for the file identifier
    std::uint32_t adler_ = 1;
    std::string id_;                    // the trailers' /ID value, once the first trailer is written
    PdfDocument document_;
    bool colour_ = false;               // a page in DeviceRGB: the output intent is then sRGB
    std::string catalogEntries_;        // the metadata and output intent, once Finish wrote them
};

}  // namespace vantrel::imaging
