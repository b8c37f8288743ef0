// The TIFF writer: page plans, strips onto the sink, each IFD linked from the one before.
#include "imaging/tiff/tiff_writer.h"

#include <algorithm>
#include <cstdio>
#include <limits>
#include <new>
#include <optional>

#include "imaging/g4/bilevel_choice.h"
#include "imaging/icc_profile.h"
#include "imaging/g4/group4_encoder.h"
#include "imaging/tiff/jpeg_stream_info.h"
#include "imaging/tiff/strip_deflater.h"
#include "imaging/tiff/tiff_directory.h"
#include "imaging/tiff/tiff_rational.h"
#include "imaging/tiff/tiff_tags.h"

namespace vantrel::imaging {

using namespace tiff;

namespace {

constexpr std::uint64_t kStripTarget = 65536;  // uncompressed bytes of rows per strip
constexpr std::uint32_t kLargestPageNumber = 0xFFFF;
constexpr std::uint8_t kHeader[8] = {'I', 'I', 42, 0, 0, 0, 0, 0};

std::uint32_t RowsPerStrip(std::uint64_t rowBytes, std::uint32_t height) {
    return static_cast<std::uint32_t>(std::clamp<std::uint64_t>(kStripTarget / rowBytes, 1, height));
}

// The fields every page has, with room for `strips` strips whose offsets and byte counts come once written.
Directory PageDirectory(std::uint32_t width, std::uint32_t height, std::uint16_t compression, std::uint32_t rowsPerStrip,
                        double xDpi, double yDpi) {
    Directory directory;
    directory.AddLong(kImageWidth, width);
    directory.AddLong(kImageLength, height);
    directory.AddShort(kCompression, compression);
    directory.AddLong(kRowsPerStrip, rowsPerStrip);
    const std::vector<std::uint32_t> placeholder(static_cast<std::size_t>((std::uint64_t{height} + rowsPerStrip - 1) / rowsPerStrip), 0);
    directory.AddLongs(kStripOffsets, placeholder);
    directory.AddLongs(kStripByteCounts, placeholder);
    const ResolutionFields resolution = ResolutionFor(xDpi, yDpi);
    directory.AddRational(kXResolution, resolution.x);
    directory.AddRational(kYResolution, resolution.y);
    directory.AddShort(kResolutionUnit, resolution.unit);
    return directory;
}

void AddSamples(Directory& directory, std::uint16_t photometric, std::uint16_t bitsPerSample, std::uint16_t samples) {
    const std::uint16_t bits[3] = {bitsPerSample, bitsPerSample, bitsPerSample};
    directory.AddShorts(kBitsPerSample, std::span(bits, samples));
    directory.AddShort(kPhotometricInterpretation, photometric);
    directory.AddShort(kSamplesPerPixel, samples);
    if (samples > 1) directory.AddShort(kPlanarConfiguration, kChunky);
}

void AddProfile(Directory& directory, std::span<const std::uint8_t> profile, PixelFormat format) {
    const std::span<const std::uint8_t> kept = EmbeddableProfile(profile, format);
    if (!kept.empty()) directory.AddUndefined(kInterColorProfile, kept);
}

bool JpegMatches(std::span<const std::uint8_t> jpeg, const JpegPageInfo& info) {
    const auto stream = ReadJpegStreamInfo(jpeg);
    if (!stream || stream->width != info.width || stream->height != info.height) return false;
    if (!info.colour) return stream->components == 1;
    const auto allowed = [](std::uint16_t factor) { return factor == 1 || factor == 2 || factor == 4; };
    // TIFF has chroma subsampled at least as much across as down, and the luma component carries the factors.
    if (!allowed(info.subsamplingX) || !allowed(info.subsamplingY) || info.subsamplingY > info.subsamplingX) return false;
    return stream->components == 3 && stream->horizontal[0] == info.subsamplingX && stream->vertical[0] == info.subsamplingY &&
           stream->horizontal[1] == 1 && stream->vertical[1] == 1 && stream->horizontal[2] == 1 && stream->vertical[2] == 1;
}

}  // namespace

const char* Describe(TiffError error) {
    switch (error) {
        case TiffError::None: return "no error";
        case TiffError::BadPage: return "the page is not well-formed";
        case TiffError::BadOptions: return "the zlib level is outside 0..9";
        case TiffError::BadJpeg: return "the JPEG data is not a complete baseline stream matching its parameters";
        case TiffError::SinkNotEmpty: return "the output already held data before the first page";
        case TiffError::TooLarge: return "the file would pass its size limit (a classic TIFF ends at 4 GiB)";
        case TiffError::SinkFailed: return "the output refused the data";
        case TiffError::OutOfMemory: return "out of memory";
        case TiffError::CompressorFailed: return "zlib failed";
        case TiffError::NoPages: return "no page was written";
        case TiffError::Finished: return "the file is already finished";
    }
    return "unknown error";
}

TiffWriter::TiffWriter(ByteSink& sink, std::uint64_t maxFileBytes)
    : sink_(sink), limit_(std::min(maxFileBytes, kMaxTiffFileBytes)) {}

TiffWriter::TiffWriter(ByteSink& sink, TiffDocument document) : TiffWriter(sink) { document_ = std::move(document); }

bool TiffWriter::Refuse(TiffError error) {
    error_ = error;
    return false;
}

bool TiffWriter::Break(TiffError error) {
    broken_ = true;
    error_ = error;
    return false;
}

bool TiffWriter::Usable() {
    if (broken_) return false;
    if (finished_) return Refuse(TiffError::Finished);
    error_ = TiffError::None;
    return true;
}

// Whether a page of at most `stripBytes` of strips and its directory keep the file within the limit. Checked before a
// page's first byte, so that a page too many is refused while the file stays whole.
bool TiffWriter::Fits(std::uint64_t stripBytes, const Directory& directory) const {
    const std::uint64_t start = std::max<std::uint64_t>(size_, sizeof kHeader);
    const std::uint64_t room = limit_ - std::min(limit_, start);
    // The tags WriteDirectory adds, the document's texts (an entry, the text, its NUL and a word's padding each)
    // and the word padding.
    const DocumentMetadata& m = document_.metadata;
    const std::uint64_t texts = 4 * 14 + m.title.size() + m.subject.size() + m.author.size() + document_.dateTime.size();
    const std::uint64_t ifd = directory.Size() + 64 + texts;
    return stripBytes <= room && ifd <= room - stripBytes;
}

bool TiffWriter::Append(std::span<const std::uint8_t> bytes) {
    if (bytes.size() > limit_ - size_) return Break(TiffError::TooLarge);
    if (!sink_.Append(bytes)) return Break(TiffError::SinkFailed);
    size_ += bytes.size();
    return true;
}

bool TiffWriter::Start() {
    if (size_ > 0) return true;
    if (sink_.Size() != 0) return Break(TiffError::SinkNotEmpty);
    link_ = 4;
    return Append(kHeader);
}

bool TiffWriter::AddPage(const PageImage& page, const TiffPageOptions& options) {
    if (!Usable()) return false;
    if (!IsWellFormed(page)) return Refuse(TiffError::BadPage);
    if (options.zlibLevel < 0 || options.zlibLevel > 9) return Refuse(TiffError::BadOptions);
    try {
        const bool compress = options.compression != TiffCompression::None;
        const std::uint64_t rowBytes = MinimumStride(page.format, page.width);
        const std::uint32_t rowsPerStrip = RowsPerStrip(rowBytes, page.height);
        const std::uint16_t samples = page.format == PixelFormat::Rgb24 ? 3 : 1;
        const std::uint16_t photometric = page.format == PixelFormat::BlackWhite1 ? kWhiteIsZero
                                          : page.format == PixelFormat::Gray8     ? kBlackIsZero
                                                                                  : kRgb;
        const auto bitsPerSample = static_cast<std::uint16_t>(page.format == PixelFormat::BlackWhite1 ? 1 : 8);
        std::vector<std::uint8_t> coded;
        if (page.format == PixelFormat::BlackWhite1 && compress) {
            coded = EncodeGroup4(page);
            if (coded.empty()) return Refuse(TiffError::OutOfMemory);
            const bool flate = options.compression == TiffCompression::Automatic &&
                               WorthTryingFlate(coded.size(), rowBytes * page.height) &&
                               FlateIsSmaller(DeflatedSize(page, options.zlibLevel, rowsPerStrip), coded.size());
            if (!flate) return AddGroup4Page(coded, page.width, page.height, page.xDpi, page.yDpi);
        }
        // Differencing is defined for 8-bit samples only.
        const bool predict = compress && page.format != PixelFormat::BlackWhite1 && (options.predictor == TiffPredictor::Horizontal ||
                                          (options.predictor == TiffPredictor::Automatic && PredictorHelps(page, options.zlibLevel)));
        Directory directory = PageDirectory(page.width, page.height, compress ? kCompressionAdobeDeflate : kCompressionNone,
                                            rowsPerStrip, page.xDpi, page.yDpi);
        AddSamples(directory, photometric, bitsPerSample, samples);
        AddProfile(directory, page.iccProfile, page.format);
        if (predict) directory.AddShort(kPredictor, kPredictorHorizontal);
        // Deflate's worst case is its input in stored blocks (5 bytes per 64 KB) plus the zlib header and check.
        const std::uint64_t strips = (std::uint64_t{page.height} + rowsPerStrip - 1) / rowsPerStrip;
        const std::uint64_t raw = rowBytes * page.height;
        const std::uint64_t worst = compress ? raw + raw / 1000 + strips * 64 : raw;
        if (!Fits(worst, directory)) return Refuse(TiffError::TooLarge);
        if (!Start()) return false;
        std::vector<std::uint32_t> offsets;
        std::vector<std::uint32_t> byteCounts;
        if (!WriteRows(page, compress, predict, options.zlibLevel, rowsPerStrip, offsets, byteCounts)) return false;
        directory.AddLongs(kStripOffsets, offsets);
        directory.AddLongs(kStripByteCounts, byteCounts);
        return WriteDirectory(directory);
    } catch (const std::bad_alloc&) {
        return Break(TiffError::OutOfMemory);
    }
}

bool TiffWriter::AddGroup4Page(std::span<const std::uint8_t> coded, std::uint32_t width, std::uint32_t height, double xDpi,
                               double yDpi) {
    if (!Usable()) return false;
    if (width == 0 || height == 0 || coded.empty()) return Refuse(TiffError::BadPage);
    try {
        Directory directory = PageDirectory(width, height, kCompressionGroup4, height, xDpi, yDpi);
        AddSamples(directory, kWhiteIsZero, 1, 1);
        return WriteOneStrip(directory, coded);
    } catch (const std::bad_alloc&) {
        return Break(TiffError::OutOfMemory);
    }
}

bool TiffWriter::AddJpegPage(std::span<const std::uint8_t> jpeg, const JpegPageInfo& info) {
    if (!Usable()) return false;
    if (!JpegMatches(jpeg, info)) return Refuse(TiffError::BadJpeg);
    try {
        Directory directory = PageDirectory(info.width, info.height, kCompressionJpeg, info.height, info.xDpi, info.yDpi);
        if (info.colour) {
            AddSamples(directory, kYCbCr, 8, 3);
            const std::uint16_t subsampling[2] = {info.subsamplingX, info.subsamplingY};
            directory.AddShorts(kYCbCrSubSampling, subsampling);
            const Rational levels[6] = {{0, 1}, {255, 1}, {128, 1}, {255, 1}, {128, 1}, {255, 1}};
            directory.AddRationals(kReferenceBlackWhite, levels);
        } else {
            AddSamples(directory, kBlackIsZero, 8, 1);
        }
        AddProfile(directory, info.iccProfile, info.colour ? PixelFormat::Rgb24 : PixelFormat::Gray8);
        return WriteOneStrip(directory, jpeg);
    } catch (const std::bad_alloc&) {
        return Break(TiffError::OutOfMemory);
    }
}

bool TiffWriter::WriteOneStrip(tiff::Directory& directory, std::span<const std::uint8_t> strip) {
    if (!Fits(strip.size(), directory)) return Refuse(TiffError::TooLarge);
    if (!Start()) return false;
    directory.AddLong(kStripOffsets, static_cast<std::uint32_t>(size_));
    directory.AddLong(kStripByteCounts, static_cast<std::uint32_t>(strip.size()));
    return Append(strip) && WriteDirectory(directory);
}

// What Adobe Deflate strips of the page would take, counted without keeping them; the most there is when zlib fails.
std::uint64_t TiffWriter::DeflatedSize(const PageImage& page, int level, std::uint32_t rowsPerStrip) {
    StripDeflater deflater(level);
    std::uint64_t total = 0;
    const auto count = [&total](std::span<const std::uint8_t> bytes) {
        total += bytes.size();
        return true;
    };
    for (std::uint32_t first = 0; first < page.height; first += rowsPerStrip) {
        if (!deflater.Compress(page, first, std::min(rowsPerStrip, page.height - first), false, count))
            return std::numeric_limits<std::uint64_t>::max();
    }
    return total;
}

bool TiffWriter::WriteRows(const PageImage& page, bool deflate, bool predict, int level, std::uint32_t rowsPerStrip,
                           std::vector<std::uint32_t>& offsets, std::vector<std::uint32_t>& byteCounts) {
    std::optional<StripDeflater> deflater;
    if (deflate) deflater.emplace(level);
    if (deflater && !deflater->Ready()) return Break(TiffError::CompressorFailed);
    std::vector<std::uint8_t> buffer;
    for (std::uint32_t first = 0; first < page.height; first += rowsPerStrip) {
        const std::uint32_t count = std::min(rowsPerStrip, page.height - first);
        const std::uint64_t start = size_;
        if (deflate) {
            const bool done = deflater->Compress(page, first, count, predict, [this](std::span<const std::uint8_t> bytes) {
                return Append(bytes);
            });
            if (!done) return broken_ ? false : Break(TiffError::CompressorFailed);
        } else {
            // Rows go out whole, the padding bits of a 1-bit row cleared.
            for (std::uint32_t y = first; y < first + count; ++y) {
                const auto row = page.Row(y);
                buffer.insert(buffer.end(), row.begin(), row.end());
                if (page.format == PixelFormat::BlackWhite1 && page.width % 8 != 0) {
                    buffer.back() &= static_cast<std::uint8_t>(0xFF00 >> (page.width % 8));
                }
                if (buffer.size() < kStripTarget && y + 1 < first + count) continue;
                if (!Append(buffer)) return false;
                buffer.clear();
            }
        }
        offsets.push_back(static_cast<std::uint32_t>(start));
        byteCounts.push_back(static_cast<std::uint32_t>(size_ - start));
    }
    return true;
}

// Writes the IFD after the page's strips, on a word boundary, and only then links it from the previous one, so a
// failure part-way leaves the file as it was at the last page.
bool TiffWriter::WriteDirectory(Directory& directory) {
    directory.AddLong(kNewSubfileType, kSubfilePage);
    directory.AddAscii(kSoftware, kProductAndVersion);
    AddDocumentFields(directory);
    const bool numbered = pages_ <= kLargestPageNumber;
    if (numbered) {
        const std::uint16_t number[2] = {static_cast<std::uint16_t>(pages_), 0};
        directory.AddShorts(kPageNumber, number);
    }
    if (size_ % 2 != 0) {
        const std::uint8_t pad = 0;
        if (!Append(std::span(&pad, 1))) return false;
    }
    const std::uint64_t at = size_;
    if (directory.Size() > limit_ - size_) return Break(TiffError::TooLarge);
    if (!Append(directory.Layout(static_cast<std::uint32_t>(at)))) return false;
    if (!sink_.Patch(link_, Little32(static_cast<std::uint32_t>(at)))) return Break(TiffError::SinkFailed);
    link_ = at + directory.NextOffsetPosition();
    if (numbered) totalPositions_.push_back(at + *directory.ValueFieldPosition(kPageNumber) + 2);
    ++pages_;
    return true;
}

void TiffWriter::AddDocumentFields(Directory& directory) const {
    const std::pair<std::uint16_t, const std::string&> fields[] = {{kDocumentName, document_.metadata.title},
                                                                  {kImageDescription, document_.metadata.subject},
                                                                  {kDateTime, document_.dateTime},
                                                                  {kArtist, document_.metadata.author}};
    for (const auto& [tag, text] : fields) {
        if (!text.empty()) directory.AddAscii(tag, text);
    }
}

std::string TiffDateTime(int year, int month, int day, int hour, int minute, int second) {
    char text[32];
    std::snprintf(text, sizeof text, "%04d:%02d:%02d %02d:%02d:%02d", year, month, day, hour, minute, second);
    return text;
}

bool TiffWriter::Finish() {
    if (!Usable()) return false;
    if (pages_ == 0) return Refuse(TiffError::NoPages);
    finished_ = true;
    if (pages_ > kLargestPageNumber) return true;
    for (const std::uint64_t position : totalPositions_) {
        if (!sink_.Patch(position, Little16(static_cast<std::uint16_t>(pages_)))) return Break(TiffError::SinkFailed);
    }
    totalPositions_.clear();
    return true;
}

}  // namespace vantrel::imaging
