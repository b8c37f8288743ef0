// Writes sample PDFs for the qpdf and poppler checks: each page's expected pixels (8 bits per sample,
// black 0) beside a manifest line "file page mode width height xdpi ydpi encoding".
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "imaging/pdf/page_streams.h"
#include "imaging/pdf/pdf_writer.h"
#include "imaging/pdf/tests/sample_encoders.h"
#include "imaging/png/tests/test_pages.h"

namespace {

using namespace vantrel::imaging;

struct Sample {
    PixelFormat format;
    std::uint32_t width;
    std::uint32_t height;
    double xDpi;
    double yDpi;
    std::string encoding;  // flate, flate-plain, jpeg or ccitt
};

std::vector<std::uint8_t> ExpectedPixels(const PageImage& page) {
    std::vector<std::uint8_t> out;
    for (std::uint32_t y = 0; y < page.height; ++y) {
        const std::uint8_t* row = page.pixels.data() + page.stride * y;
        if (page.format != PixelFormat::BlackWhite1) {
            out.insert(out.end(), row, row + MinimumStride(page.format, page.width));
            continue;
        }
        for (std::uint32_t x = 0; x < page.width; ++x) out.push_back((row[x / 8] >> (7 - x % 8)) & 1 ? 0 : 255);
    }
    return out;
}

bool WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(file);
}

const char* Mode(PixelFormat format) {
    return format == PixelFormat::Rgb24 ? "RGB" : (format == PixelFormat::Gray8 ? "L" : "1");
}

// The page's image stream, or nullopt when the sample's encoder is missing or failed.
std::optional<EncodedImage> EncodeSample(const Sample& s, const PageImage& page) {
    if (s.encoding == "flate" || s.encoding == "flate-plain") {
        return EncodeFlateImage(page, {.zlibLevel = 6, .pngPredictors = s.encoding == "flate"});
    }
    const auto bytes = s.encoding == "jpeg" ? testing::SampleJpeg(page) : testing::SampleGroup4(page);
    if (!bytes || bytes->empty()) return std::nullopt;
    EncodedImage encoded{{}, *bytes};
    const auto description = s.encoding == "jpeg" ? DescribeJpeg(page, encoded.bytes) : DescribeGroup4(page, encoded.bytes);
    if (!description) return std::nullopt;
    encoded.description = *description;
    return encoded;
}

bool WritePdf(const std::string& dir, const std::string& name, const std::vector<Sample>& samples, std::ofstream& manifest) {
    MemorySink sink;
    PdfWriter writer(sink);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const Sample& s = samples[i];
        const auto owned = testing::MakePage(s.format, s.width, s.height, static_cast<std::uint32_t>(i % 3),
                                             testing::Content::Smooth, static_cast<std::uint32_t>(i + 1), s.xDpi, s.yDpi);
        const auto encoded = EncodeSample(s, owned->page);
        if (!encoded) {
            std::fprintf(stderr, "%s page %zu: no %s stream\n", name.c_str(), i + 1, s.encoding.c_str());
            return false;
        }
        const PdfResult result = writer.AddPage(encoded->View());
        if (result != PdfResult::Ok) {
            std::fprintf(stderr, "%s page %zu: %s\n", name.c_str(), i + 1, std::string(PdfResultName(result)).c_str());
            return false;
        }
        const std::string page = std::to_string(i + 1);
        if (!WriteFile(dir + "/" + name + "_" + page + ".raw", ExpectedPixels(owned->page))) return false;
        // The JPEG as embedded, so the check can tell the encoder's loss from the file's faults.
        if (s.encoding == "jpeg" && !WriteFile(dir + "/" + name + "_" + page + ".jpg", encoded->bytes)) return false;
        manifest << name << ".pdf " << page << ' ' << Mode(s.format) << ' ' << s.width << ' ' << s.height << ' '
                 << s.xDpi << ' ' << s.yDpi << ' ' << s.encoding << '\n';
    }
    if (writer.Finish(PdfDate{2024, 3, 9, 14, 5, 7, 60}) != PdfResult::Ok) return false;
    return WriteFile(dir + "/" + name + ".pdf", sink.Data());
}

// Fifty pages cycling through formats, sizes, resolutions and encodings; JPEG and Group 4 pages only
// when those encoders are built in.
std::vector<Sample> FiftyPages() {
    const PixelFormat formats[] = {PixelFormat::Rgb24, PixelFormat::Gray8, PixelFormat::BlackWhite1};
    const double dpis[][2] = {{300, 300}, {150, 150}, {72, 72}, {0, 0}, {200, 100}, {299.5, 299.5}, {96, 0}};
    // A probe: a built-in encoder answers (if only with no bytes), a missing one with nullopt.
    const bool jpeg = testing::SampleJpeg(PageImage{}).has_value();
    const bool group4 = testing::SampleGroup4(PageImage{}).has_value();
    std::vector<Sample> samples;
    for (std::uint32_t i = 0; i < 50; ++i) {
        Sample s{formats[i % 3], 40 + (i * 37) % 300, 30 + (i * 53) % 400, dpis[i % 7][0], dpis[i % 7][1],
                 i % 2 ? "flate" : "flate-plain"};
        if (i % 5 == 1 && jpeg) s.encoding = "jpeg";
        if (i % 3 == 2 && i % 4 == 0 && group4) s.encoding = "ccitt";
        samples.push_back(s);
    }
    return samples;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: pdf_samples OUTPUT_DIR\n");
        return 2;
    }
    const std::string dir = argv[1];
    std::ofstream manifest(dir + "/manifest.txt");
    const std::vector<Sample> a4 = {{PixelFormat::BlackWhite1, 2480, 3508, 300, 300, "flate"}};
    if (!WritePdf(dir, "one_page", a4, manifest) || !WritePdf(dir, "fifty_pages", FiftyPages(), manifest)) return 1;
    return manifest ? 0 : 1;
}
