// Writes every format's sample files from one table with their manifest: check_samples.py reads them back.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "imaging/bmp/bmp_writer.h"
#include "imaging/g4/group4_encoder.h"
#include "imaging/jpeg/icc_segments.h"
#include "imaging/jpeg/jpeg_encoder.h"
#include "imaging/pdf/page_streams.h"
#include "imaging/pdf/pdf_recovery.h"
#include "imaging/pdf/pdf_writer.h"
#include "imaging/png/png_writer.h"
#include "imaging/tests/manifest.h"
#include "imaging/tiff/tiff_recovery.h"
#include "imaging/tiff/tiff_writer.h"

namespace {

using namespace vantrel::imaging;
using testing::Content;

enum class Kind { Sample, Random, Text, Halftone };

// A page's colour profile: none, one of RGB or grey, one too large for one JPEG segment, one with a damaged signature,
// one whose size field is not its length, one past the largest taken.
enum class Icc { None, Rgb, Gray, Large, Broken, WrongSize, Huge };

// A profile whose header is what a reader checks; the rest a pattern, so a piece lost or swapped shows.
std::vector<std::uint8_t> TestProfile(Icc kind) {
    if (kind == Icc::None) return {};
    const std::uint32_t size = kind == Icc::Large ? 150001 : kind == Icc::Huge ? (4u << 20) + 4 : 400 + static_cast<std::uint32_t>(kind);
    std::vector<std::uint8_t> bytes(size);
    for (std::uint32_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + static_cast<std::uint32_t>(kind));
    const auto put = [&bytes](std::size_t at, const char (&text)[5]) { std::copy(text, text + 4, bytes.begin() + static_cast<std::ptrdiff_t>(at)); };
    const std::uint32_t field = kind == Icc::WrongSize ? size + 1 : size;
    for (int i = 0; i < 4; ++i) bytes[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(field >> (24 - 8 * i));
    put(16, kind == Icc::Gray ? "GRAY" : "RGB ");
    put(36, kind == Icc::Broken ? "acsq" : "acsp");
    return bytes;
}

// One page: how it is drawn and how it is encoded (`encoding` and `level` as testing::Expected has them).
struct PageSpec {
    PixelFormat format;
    std::uint32_t width, height, padding;
    double xDpi = 0, yDpi = 0;
    Content content = Content::Smooth;
    Kind kind = Kind::Sample;
    std::string encoding = "auto";
    int level = 6;
    Icc icc = Icc::None;
    bool embedded = false;  // whether a reader must find `icc` in the file (else no profile at all)
};

struct FileSpec {
    std::string name;    // with its extension, which names the format
    std::vector<PageSpec> pages;
    std::string checks = "";  // JPEG: "flat" (all of it within two levels of the page)
    // A PDF or TIFF cut as a crash would leave it, `cutPages` pages complete and the cut `cutAt` (0..1) of the way
    // through the next page's bytes; recovered, only those pages are recorded. 0: the file as written.
    std::uint32_t cutPages = 0;
    double cutAt = 0;
};

std::unique_ptr<testing::OwnedPage> Draw(const PageSpec& p, std::uint32_t seed) {
    if (p.kind == Kind::Random) return testing::RandomPage(p.width, p.height, p.padding, seed);
    if (p.kind == Kind::Halftone) return testing::HalftonePage(p.width, p.height, p.padding, seed);
    if (p.kind == Kind::Text) return testing::TextPage(p.width, p.height, p.padding, seed, p.xDpi);
    return testing::SamplePage(p.format, p.width, p.height, p.padding, p.content, seed);
}

std::vector<FileSpec> Table() {
    std::vector<FileSpec> files;
    const PixelFormat formats[] = {PixelFormat::BlackWhite1, PixelFormat::Gray8, PixelFormat::Rgb24};
    // PNG: widths around every byte and filter edge, each format, odd strides, densities with an axis missing.
    const double pngDpis[][2] = {{300, 300}, {0, 0}, {200, 100}, {96, 0}};
    const std::uint32_t pngWidths[] = {1, 2, 3, 7, 8, 9, 15, 16, 17, 31, 33, 63, 65, 127, 129, 255, 257, 511, 513, 1001};
    int n = 0;
    for (const PixelFormat f : formats) {
        for (const std::uint32_t w : pngWidths) {
            const auto& dpi = pngDpis[n % 4];
            files.push_back({"png" + std::to_string(n) + ".png",
                             {{f, w, 1 + w % 13, static_cast<std::uint32_t>(n % 4), dpi[0], dpi[1],
                               n % 2 ? Content::Smooth : Content::Noise, Kind::Sample, "", n % 10}}});
            ++n;
        }
    }
    // BMP: each format at widths around the 4-byte row alignment, densities with an axis missing.
    n = 0;
    for (const PixelFormat f : formats) {
        for (const std::uint32_t w : {1u, 7u, 9u, 31u, 33u}) {
            const auto& dpi = pngDpis[n % 4];
            files.push_back({"bmp" + std::to_string(n++) + ".bmp", {{f, w, 5, w % 4, dpi[0], dpi[1], Content::Noise}}});
        }
    }
    // TIFF Group 4: widths around the make-up codes' bounds, resolutions that are not whole.
    const double tiffDpis[][2] = {{300, 300}, {0, 0}, {200.5, 100.25}, {72.27, 72.27}, {96, 0}, {1200, 600}};
    const std::uint32_t g4Widths[] = {1, 7, 8, 9, 63, 64, 65, 1727, 1728, 1729, 2559, 2560, 2561, 2623, 2625, 5121, 10007};
    n = 0;
    for (const std::uint32_t w : g4Widths) {
        const auto& dpi = tiffDpis[n++ % 6];
        files.push_back({"g4_" + std::to_string(w) + ".tif",
                         {{PixelFormat::BlackWhite1, w, 1 + w % 17, w % 4, dpi[0], dpi[1], {}, Kind::Random, "group4"}}});
    }
    // A 1-bit page keeps the smaller lossless coding: Group 4 for text, Deflate for halftone.
    files.push_back({"a4_text.tif", {{PixelFormat::BlackWhite1, 2480, 3508, 0, 300, 300, {}, Kind::Text}}});
    files.push_back({"halftone.tif", {{PixelFormat::BlackWhite1, 1001, 700, 1, 300, 300, {}, Kind::Halftone, "deflate"}}});
    // A multi-page TIFF of every compression and predictor, so the links and page numbers cross them all.
    files.push_back({"mixed.tif",
                     {{PixelFormat::BlackWhite1, 1001, 50, 3, 300, 300, {}, Kind::Random, "group4"},
                      {PixelFormat::Rgb24, 301, 203, 1, 150, 150, Content::Smooth, Kind::Sample, "jpeg", 85},
                      {PixelFormat::Gray8, 150, 99, 2, 150, 150, Content::Smooth, Kind::Sample, "jpeg", 85},
                      {PixelFormat::Gray8, 1200, 400, 1, 200.5, 100.25},
                      {PixelFormat::Rgb24, 777, 301, 2, 72.27, 72.27, Content::Smooth, Kind::Sample, "predictor"},
                      {PixelFormat::Gray8, 333, 97, 3, 600, 600, Content::TwoLevel},
                      {PixelFormat::Rgb24, 1, 1, 0, 0, 0, Content::Noise, Kind::Sample, "auto", 9},
                      {PixelFormat::BlackWhite1, 850, 1100, 1, 100, 100, {}, Kind::Text, "deflate"},
                      {PixelFormat::Gray8, 500, 300, 0, 150, 150, Content::Noise, Kind::Sample, "none"},
                      {PixelFormat::Rgb24, 301, 250, 1, 0, 0, Content::Smooth, Kind::Sample, "none"},
                      {PixelFormat::BlackWhite1, 77, 1500, 2, 96, 0, {}, Kind::Random, "none"},
                      {PixelFormat::Rgb24, 23000, 4, 2, 300, 300, Content::Smooth, Kind::Sample, "predictor", 1}}});
    // PDF: one A4 page, then fifty cycling through formats, sizes, resolutions and encodings.
    files.push_back({"one_page.pdf", {{PixelFormat::BlackWhite1, 2480, 3508, 0, 300, 300, {}, Kind::Text, "flate"}}});
    const double pdfDpis[][2] = {{300, 300}, {150, 150}, {72, 72}, {0, 0}, {200, 100}, {299.5, 299.5}, {96, 0}};
    FileSpec fifty{"fifty_pages.pdf", {}};
    for (std::uint32_t i = 0; i < 50; ++i) {
        PageSpec p{formats[(i + 2) % 3], 40 + (i * 37) % 300, 30 + (i * 53) % 400, i % 3, pdfDpis[i % 7][0],
                   pdfDpis[i % 7][1]};
        p.encoding = i % 5 == 1 ? "jpeg" : i % 3 == 2 && i % 4 == 0 ? "ccitt" : i % 2 ? "flate" : "flate-plain";
        if (p.encoding == "ccitt") p.format = PixelFormat::BlackWhite1;
        if (p.encoding == "jpeg") p.level = 85;
        fifty.pages.push_back(p);
    }
    files.push_back(fifty);
    // PDF/A: pages of every kind (colour JPEG, grey Flate, 1-bit Group 4) under an sRGB output intent, grey and
    // 1-bit ones alone under the grey profile; the metadata in Greek and Japanese.
    const PageSpec colour{PixelFormat::Rgb24, 301, 203, 1, 150, 150, Content::Smooth, Kind::Sample, "jpeg", 85};
    const PageSpec grey{PixelFormat::Gray8, 300, 200, 1, 150, 150, Content::Smooth, Kind::Sample, "flate"};
    const PageSpec text{PixelFormat::BlackWhite1, 400, 300, 0, 100, 100, {}, Kind::Text, "ccitt"};
    files.push_back({"archive_1b.pdf", {colour, grey, text}, "pdfa-1b"});
    files.push_back({"archive_2b.pdf", {colour, grey, text}, "pdfa-2b"});
    files.push_back({"archive_grey_1b.pdf", {grey, text}, "pdfa-1b"});
    files.push_back({"documented.tif",
                     {{PixelFormat::Gray8, 300, 200, 1, 150, 150}, {PixelFormat::BlackWhite1, 400, 300, 0, 100, 100, {}, Kind::Text, "group4"}},
                     "metadata"});
    // JPEG: block and MCU edges in each format, flat pages, and qualities across the scale on larger pages.
    const auto jpeg = [&files](const char* name, PageSpec page, std::vector<int> qualities, const char* checks = "") {
        for (const int q : qualities) {
            page.level = q;
            files.push_back({std::string(name) + "_q" + std::to_string(q) + ".jpg", {page}, checks});
        }
    };
    const auto smooth = [](PixelFormat f, std::uint32_t w, std::uint32_t h, double xDpi, double yDpi) {
        return PageSpec{f, w, h, 3, xDpi, yDpi, Content::Smooth, Kind::Sample, ""};
    };
    jpeg("grey_1x1", smooth(PixelFormat::Gray8, 1, 1, 300, 300), {85});
    jpeg("rgb_1x1", smooth(PixelFormat::Rgb24, 1, 1, 300, 300), {85});
    jpeg("grey_7x9", smooth(PixelFormat::Gray8, 7, 9, 0, 0), {85});
    jpeg("rgb_17x33", smooth(PixelFormat::Rgb24, 17, 33, 300, 300), {85});
    jpeg("rgb_1000x1", smooth(PixelFormat::Rgb24, 1000, 1, 300, 300), {85});
    jpeg("bw_177x133", smooth(PixelFormat::BlackWhite1, 177, 133, 150, 150), {85});
    jpeg("grey_flat_64x48", {PixelFormat::Gray8, 64, 48, 3, 300, 300, Content::Flat, Kind::Sample, ""}, {50, 85}, "flat");
    jpeg("rgb_flat_41x23", {PixelFormat::Rgb24, 41, 23, 3, 300, 300, Content::Flat, Kind::Sample, ""}, {50, 85}, "flat");
    jpeg("grey_300x200", smooth(PixelFormat::Gray8, 300, 200, 0, 0), {50, 85, 95});
    jpeg("rgb_300x200", smooth(PixelFormat::Rgb24, 300, 200, 200.4, 99.6), {50, 85, 95});
    jpeg("rgb_1240x1754", smooth(PixelFormat::Rgb24, 1240, 1754, 150, 150), {50, 85, 95});
    // Profiles: each format with a fitting one (grey and RGB, one past a JPEG segment), one of the other colour space,
    // a damaged one, none; in PDF the pages with equal bytes share one stream. "kept": a JPEG stream written before, the
    // profile put in afterwards, as for a scanner's; "kept-twice": put in again, the first stays.
    const auto icc = [](PixelFormat f, Icc kind, bool embedded, std::string encoding = "auto", int level = 6) {
        if (encoding == "jpeg") level = 85;
        return PageSpec{f, 61, 37, 1, 150, 150, Content::Smooth, Kind::Sample, std::move(encoding), level, kind, embedded};
    };
    files.push_back({"icc_rgb.png", {icc(PixelFormat::Rgb24, Icc::Rgb, true)}});
    files.push_back({"icc_grey.png", {icc(PixelFormat::Gray8, Icc::Gray, true)}});
    files.push_back({"icc_mismatch.png", {icc(PixelFormat::Rgb24, Icc::Gray, false)}});
    files.push_back({"icc_broken.png", {icc(PixelFormat::Rgb24, Icc::Broken, false)}});
    files.push_back({"icc_bw.png", {icc(PixelFormat::BlackWhite1, Icc::Gray, false)}});
    files.push_back({"icc_wrong_size.png", {icc(PixelFormat::Rgb24, Icc::WrongSize, false)}});
    files.push_back({"icc_huge.png", {icc(PixelFormat::Rgb24, Icc::Huge, false)}});
    files.push_back({"icc_large.jpg", {icc(PixelFormat::Rgb24, Icc::Large, true, "", 85)}});
    files.push_back({"icc_grey.jpg", {icc(PixelFormat::Gray8, Icc::Gray, true, "", 85)}});
    files.push_back({"icc_mismatch.jpg", {icc(PixelFormat::Gray8, Icc::Rgb, false, "", 85)}});
    files.push_back({"icc_kept.jpg", {icc(PixelFormat::Rgb24, Icc::Large, true, "kept", 85)}});
    files.push_back({"icc_kept_twice.jpg", {icc(PixelFormat::Rgb24, Icc::Rgb, true, "kept-twice", 85)}});
    files.push_back({"icc.tif", {icc(PixelFormat::Rgb24, Icc::Rgb, true), icc(PixelFormat::Gray8, Icc::Gray, true),
                                 icc(PixelFormat::Rgb24, Icc::Large, true, "jpeg"), icc(PixelFormat::Rgb24, Icc::Gray, false),
                                 icc(PixelFormat::Rgb24, Icc::Broken, false), icc(PixelFormat::BlackWhite1, Icc::Gray, false),
                                 icc(PixelFormat::Rgb24, Icc::None, false)}});
    files.push_back({"icc.pdf", {icc(PixelFormat::Rgb24, Icc::Rgb, true, "flate"), icc(PixelFormat::Rgb24, Icc::Rgb, true, "jpeg"),
                                 icc(PixelFormat::Gray8, Icc::Gray, true, "flate"), icc(PixelFormat::Gray8, Icc::Rgb, false, "jpeg"),
                                 icc(PixelFormat::Rgb24, Icc::Broken, false, "flate"), icc(PixelFormat::BlackWhite1, Icc::Gray, false, "ccitt"),
                                 icc(PixelFormat::Rgb24, Icc::None, false, "flate"), icc(PixelFormat::Rgb24, Icc::Large, true, "flate")}});
    // Cut after a page boundary (at it, a byte on, half-way and a byte short of the next), then recovered.
    const std::vector<PageSpec> three = {{PixelFormat::Gray8, 300, 200, 1, 150, 150, Content::Smooth, Kind::Sample, "flate"},
                                         {PixelFormat::BlackWhite1, 400, 300, 0, 100, 100, {}, Kind::Text, "ccitt"},
                                         {PixelFormat::Rgb24, 120, 90, 2, 72, 72, Content::Noise, Kind::Sample, "flate"}};
    const std::pair<std::uint32_t, double> cuts[] = {{1, 0}, {1, 1e-9}, {1, 0.5}, {1, 1 - 1e-9}, {2, 0}, {2, 0.5}, {3, 0.5}};
    n = 0;
    for (const auto& [complete, at] : cuts) {
        for (const char* extension : {".pdf", ".tif"}) {
            FileSpec cut{"cut" + std::to_string(n) + extension, three, "recovered", complete, at};
            if (extension == std::string(".tif")) cut.pages[1].encoding = "group4";
            files.push_back(cut);
        }
        ++n;
    }
    return files;
}

using Pages = std::vector<std::unique_ptr<testing::OwnedPage>>;

// Writes each file and its pages' manifest entries; a JPEG stored inside a TIFF or PDF also beside it, so the check
// can tell the encoder's loss from the file's faults.
class Samples {
public:
    explicit Samples(std::string dir) : dir_(std::move(dir)) {}

    bool Write(const FileSpec& file) {
        const std::string format = file.name.substr(file.name.rfind('.') + 1);
        Pages pages;
        std::vector<std::vector<std::uint8_t>> profiles;
        profiles.reserve(file.pages.size());  // the pages view them
        for (const PageSpec& p : file.pages) {
            pages.push_back(Draw(p, static_cast<std::uint32_t>(drawn_ + pages.size() + 1)));
            pages.back()->page.xDpi = p.xDpi;
            pages.back()->page.yDpi = p.yDpi;
            profiles.push_back(TestProfile(p.icc));
            pages.back()->page.iccProfile = profiles.back();
        }
        drawn_ += pages.size();
        references_.assign(pages.size(), "");
        MemorySink sink;
        boundaries_.clear();
        const bool ok = format == "png"   ? WritePng(pages[0]->page, sink, {.zlibLevel = file.pages[0].level})
                        : format == "bmp" ? WriteBmp(pages[0]->page, sink)
                        : format == "jpg" ? WriteJpegFile(file.pages[0], pages[0]->page, sink)
                        : format == "tif" ? WriteTiff(file, pages, sink)
                                          : WritePdf(file, pages, sink);
        if (!ok) return false;
        std::size_t recorded = pages.size();
        if (file.cutPages == 0) {
            if (!testing::WriteBytes(dir_ + "/" + file.name, sink.Data())) return false;
        } else if (!WriteRecovered(file, sink.Data())) {
            return false;
        } else {
            recorded = file.cutPages;
        }
        for (std::size_t i = 0; i < recorded; ++i) {
            const PageSpec& p = file.pages[i];
            const std::string icc = p.embedded ? file.name + ".p" + std::to_string(i) + ".icc" : "";
            if (!icc.empty() && !testing::WriteBytes(dir_ + "/" + icc, profiles[i])) return false;
            if (!testing::Record(dir_, file.name, i, pages[i]->page, {p.encoding, p.level, references_[i], file.checks, icc}))
                return false;
        }
        return true;
    }

private:
    // The file cut where the table says, and what our recovery makes of it; the pages must be those complete.
    bool WriteRecovered(const FileSpec& file, std::span<const std::uint8_t> whole) {
        const std::uint64_t from = boundaries_[file.cutPages - 1];
        const std::uint64_t to = file.cutPages < boundaries_.size() ? boundaries_[file.cutPages] : whole.size();
        const auto cut = whole.first(static_cast<std::size_t>(from + static_cast<std::uint64_t>(file.cutAt * double(to - from))));
        MemorySink recovered;
        if (file.name.ends_with(".pdf")) {
            const auto complete = FindCompletePdf(cut);
            if (!complete || complete->pages != file.cutPages || complete->length != from) return false;
            recovered.Append(cut.first(static_cast<std::size_t>(complete->length)));
        } else {
            const auto complete = FindCompleteTiff(cut);
            if (!complete || complete->pages != file.cutPages || !WriteRecoveredTiff(cut, *complete, recovered)) return false;
        }
        return testing::WriteBytes(dir_ + "/" + file.name, recovered.Data());
    }

    bool Reference(const FileSpec& file, std::size_t page, std::span<const std::uint8_t> jpeg) {
        references_[page] = file.name + ".p" + std::to_string(page) + ".jpg";
        return !jpeg.empty() && testing::WriteBytes(dir_ + "/" + references_[page], jpeg);
    }

    // "kept": the stream coded first and the profile put in as for a scanner's; "kept-twice": that again with another
    // profile, which must not replace the first.
    static bool WriteJpegFile(const PageSpec& row, const PageImage& page, ByteSink& sink) {
        if (row.encoding != "kept" && row.encoding != "kept-twice") return WriteJpeg(page, row.level, sink);
        const std::vector<std::uint8_t> bare = EncodeJpeg(page, row.level);
        if (row.encoding == "kept") return jpeg::AppendWithProfile(bare, page.iccProfile, sink);
        MemorySink once;
        return jpeg::AppendWithProfile(bare, page.iccProfile, once) && jpeg::AppendWithProfile(once.Data(), TestProfile(Icc::Large), sink);
    }

    bool WriteTiff(const FileSpec& file, const Pages& pages, ByteSink& sink) {
        TiffWriter writer(sink, file.checks == "metadata" ? TiffDocument{testing::kMetadata, TiffDateTime(2024, 3, 9, 14, 5, 7)}
                                                          : TiffDocument{});
        for (std::size_t i = 0; i < pages.size(); ++i) {
            const PageImage& page = pages[i]->page;
            const std::string& e = file.pages[i].encoding;
            if (e == "jpeg") {
                const auto jpeg = EncodeJpeg(page, file.pages[i].level);
                const bool colour = page.format == PixelFormat::Rgb24;
                if (!Reference(file, i, jpeg) ||
                    !writer.AddJpegPage(jpeg, {page.width, page.height, colour, 2, 2, page.xDpi, page.yDpi, page.iccProfile}))
                    return false;
            } else if (!writer.AddPage(page, {.compression = e == "none"     ? TiffCompression::None
                                                             : e == "group4" ? TiffCompression::Group4
                                                                             : TiffCompression::Automatic,
                                              .predictor = e == "predictor" ? TiffPredictor::Horizontal : TiffPredictor::Automatic,
                                              .zlibLevel = file.pages[i].level})) {
                return false;
            }
            boundaries_.push_back(sink.Size());
        }
        return writer.Finish();
    }

    bool WritePdf(const FileSpec& file, const Pages& pages, ByteSink& sink) {
        PdfDocument document;
        if (file.checks.starts_with("pdfa-")) document = {*ParsePdfArchive(file.checks.substr(5)), testing::kMetadata};
        PdfWriter writer(sink, document);
        for (std::size_t i = 0; i < pages.size(); ++i) {
            const PageImage& page = pages[i]->page;
            const std::string& e = file.pages[i].encoding;
            std::optional<EncodedImage> encoded;
            if (e == "flate" || e == "flate-plain") {
                encoded = EncodeFlateImage(page, {.zlibLevel = 6, .pngPredictors = e == "flate"});
            } else if (e == "jpeg") {
                const auto jpeg = EncodeJpeg(page, file.pages[i].level);
                if (const auto description = DescribeJpeg(page, jpeg); description && Reference(file, i, jpeg))
                    encoded = EncodedImage{*description, jpeg};
            } else if (const auto g4 = EncodeGroup4(page); const auto description = DescribeGroup4(page, g4)) {
                encoded = EncodedImage{*description, g4};
            }
            if (!encoded || writer.AddPage(encoded->View()) != PdfResult::Ok) return false;
            boundaries_.push_back(sink.Size());
        }
        return writer.Finish(PdfDate{2024, 3, 9, 14, 5, 7, 60}) == PdfResult::Ok;
    }

    std::string dir_;
    std::size_t drawn_ = 0;  // pages so far, to seed each page differently
    std::vector<std::string> references_;  // the current file's reference JPEG per page, or empty
    std::vector<std::uint64_t> boundaries_;  // the current file's size after each page
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: imaging_samples OUTPUT_DIR\n");
        return 2;
    }
    Samples samples(argv[1]);
    for (const FileSpec& file : Table()) {
        if (!samples.Write(file)) {
            std::fprintf(stderr, "%s: refused or not written\n", file.name.c_str());
            return 1;
        }
    }
    return 0;
}
