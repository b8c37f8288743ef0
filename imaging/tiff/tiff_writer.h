// A streaming multi-page TIFF writer: each page's strips, then its IFD, linked from the one before, so only the
// current page is ever held. Little-endian ("II") classic TIFF.
//
// Every page carries NewSubfileType 2 (a page of a multi-page document), ImageWidth, ImageLength, BitsPerSample,
// Compression, PhotometricInterpretation, StripOffsets, SamplesPerPixel, RowsPerStrip, StripByteCounts,
// XResolution, YResolution, ResolutionUnit, PageNumber and Software (the product and its version), in ascending tag
// order; with a TiffDocument also DocumentName (title), ImageDescription (subject), Artist (author) and DateTime.
// TIFF's ASCII is 7-bit by the standard; texts are stored as UTF-8 all the same, which exiftool and others read.
// - 1-bit pages: WhiteIsZero (0), so a 1 bit is black as in the page; the smaller of CCITT Group 4 (Compression 4)
//   in one strip and Adobe Deflate in strips (imaging/g4/bilevel_choice.h says when Deflate is tried).
// - Grey (BlackIsZero) and RGB pages: Adobe Deflate (Compression 8), with horizontal differencing (Predictor 2)
//   when it makes the page smaller, in strips of about 64 KB of rows, so readers can stream.
// - Any page can be left uncompressed (Compression 1), in strips of about 64 KB.
// - A JPEG page (Compression 7) is one strip holding a complete baseline interchange stream: YCbCr (6) with its
//   YCbCrSubSampling and ReferenceBlackWhite 0 255 128 255 128 255 (JFIF's full-range levels), or BlackIsZero.
// Resolution is in inches, as an exact fraction for fractional dpi; a page without one gets the required fields
// as a unitless 1:1 ratio instead of an invented 72 dpi. PageNumber is (n from 0, 0 = total not known), and
// Finish writes the total into every page; pages past 65535 (the SHORT's range) carry no PageNumber. A grey or colour
// page's profile goes into InterColorProfile (34675) when EmbeddableProfile keeps it.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "imaging/byte_sink.h"
#include "imaging/document_metadata.h"
#include "imaging/page_image.h"

namespace vantrel::imaging {

namespace tiff {
class Directory;
}

enum class TiffError : std::uint8_t {
    None,
    BadPage,         // not well-formed
    BadOptions,      // a zlib level outside 0..9
    BadJpeg,         // not a complete baseline stream, or unlike the parameters given with it
    SinkNotEmpty,    // the sink held bytes before the first page, so offsets would be wrong
    TooLarge,        // the file would pass the size limit (at most 4 GiB - 1, where 32-bit offsets end)
    SinkFailed,
    OutOfMemory,
    CompressorFailed,
    NoPages,         // Finish before any page: a TIFF holds at least one image
    Finished,        // a page or Finish after Finish
};

// One line for a log or a message box.
const char* Describe(TiffError error);

enum class TiffCompression : std::uint8_t {
    Automatic,  // the smaller of Group 4 and Adobe Deflate for 1-bit pages, Adobe Deflate for grey and colour
    Group4,     // 1-bit pages Group 4 whatever their size; grey and colour as Automatic
    None,
};

enum class TiffPredictor : std::uint8_t {
    Automatic,  // differencing when a trial on part of the page says it deflates smaller
    None,
    Horizontal,
};

struct TiffPageOptions {
    TiffCompression compression = TiffCompression::Automatic;
    TiffPredictor predictor = TiffPredictor::Automatic;  // only for Adobe Deflate
    int zlibLevel = 6;                                   // 0..9
};

// The parameters of an already encoded JPEG page, checked against its frame header.
struct JpegPageInfo {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    bool colour = true;               // Y, Cb, Cr; otherwise one grey component
    std::uint16_t subsamplingX = 2;   // luma samples per chroma sample across (1, 2 or 4) and down (1, 2 or 4, at
    std::uint16_t subsamplingY = 2;   // most subsamplingX): 2 and 2 for 4:2:0. Ignored for grey.
    double xDpi = 0;
    double yDpi = 0;
    std::span<const std::uint8_t> iccProfile = {};  // as PageImage's
};

inline constexpr std::uint64_t kMaxTiffFileBytes = 0xFFFFFFFF;

// What every page's directory says of the document; empty texts are left out. TIFF has no field for keywords.
struct TiffDocument {
    DocumentMetadata metadata = {};
    std::string dateTime = {};  // "YYYY:MM:DD HH:MM:SS" (TiffDateTime), the local time
};

// TIFF's DateTime text.
std::string TiffDateTime(int year, int month, int day, int hour, int minute, int second);

class TiffWriter {
public:
    // `maxFileBytes` caps the file (at most kMaxTiffFileBytes, which is also the default). The sink must be empty.
    explicit TiffWriter(ByteSink& sink, std::uint64_t maxFileBytes = kMaxTiffFileBytes);
    TiffWriter(ByteSink& sink, TiffDocument document);

    // Appends a page (the header first, on the first page). False with Error() set on failure. A page refused
    // before any of it was written leaves the writer usable: BadPage, BadOptions, BadJpeg, TooLarge (judged on the
    // page's worst case before writing) and OutOfMemory while coding Group 4. After any other failure every call
    // fails and Error() keeps the first cause, while the sink still holds the pages before as a valid TIFF (the
    // last one's next-IFD offset is 0) followed by the broken page's bytes.
    bool AddPage(const PageImage& page, const TiffPageOptions& options = {});
    bool AddJpegPage(std::span<const std::uint8_t> jpeg, const JpegPageInfo& info);
    // A 1-bit page already coded as Group 4 (a scanner's), stored as one strip as it is.
    bool AddGroup4Page(std::span<const std::uint8_t> coded, std::uint32_t width, std::uint32_t height, double xDpi, double yDpi);

    // Ends the file: writes the page total into each PageNumber. False when no page was written or a patch failed.
    bool Finish();

    TiffError Error() const { return error_; }
    std::uint32_t PageCount() const { return pages_; }

private:
    bool Refuse(TiffError error);
    bool Break(TiffError error);
    bool Usable();
    bool Fits(std::uint64_t stripBytes, const tiff::Directory& directory) const;
    bool Append(std::span<const std::uint8_t> bytes);
    bool Start();
    std::uint64_t DeflatedSize(const PageImage& page, int level, std::uint32_t rowsPerStrip);
    bool WriteRows(const PageImage& page, bool deflate, bool predict, int level, std::uint32_t rowsPerStrip,
                   std::vector<std::uint32_t>& offsets, std::vector<std::uint32_t>& byteCounts);
    bool WriteDirectory(tiff::Directory& directory);
    void AddDocumentFields(tiff::Directory& directory) const;
    // A page of one strip already coded: its directory completed with the strip's place, both written.
    bool WriteOneStrip(tiff::Directory& directory, std::span<const std::uint8_t> strip);

    ByteSink& sink_;
    std::uint64_t limit_;
    std::uint64_t size_ = 0;
    std::uint64_t link_ = 4;  // where the next IFD's offset goes: the header's field, then the last IFD's
    std::vector<std::uint64_t> totalPositions_;
    std::uint32_t pages_ = 0;
    bool broken_ = false;
    bool finished_ = false;
    TiffError error_ = TiffError::None;
    TiffDocument document_;
};

}  // namespace vantrel::imaging
