// Writes JPEGs of test pages, their pixels (PGM/PPM) and a manifest for decode_jpegs.py: write_test_jpegs <dir>.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "imaging/jpeg/jpeg_encoder.h"
#include "imaging/jpeg/tests/test_pages.h"

namespace {

using vantrel::imaging::PixelFormat;
using vantrel::imaging::test::Content;
using vantrel::imaging::test::OwnedPage;

struct Case {
    const char* name;
    std::uint32_t width, height;
    PixelFormat format;
    Content content;
    std::uint32_t padding;  // bytes after each row: odd strides and garbage the encoder must skip
    double xDpi, yDpi;
    std::vector<int> qualities;
    const char* checks;  // for decode_jpegs.py: "flat" (all of it), "margin" (white top rows), "document" (size bound)
};

const std::vector<int> kScale = {50, 85, 95};

const std::vector<Case>& Cases() {
    static const std::vector<Case> cases = {
        {"grey_1x1", 1, 1, PixelFormat::Gray8, Content::Photo, 3, 300, 300, {85}, "-"},
        {"rgb_1x1", 1, 1, PixelFormat::Rgb24, Content::Photo, 2, 300, 300, {85}, "-"},
        {"grey_7x9", 7, 9, PixelFormat::Gray8, Content::Photo, 2, 0, 0, {85}, "-"},
        {"rgb_7x9", 7, 9, PixelFormat::Rgb24, Content::Photo, 1, 0, 0, {85}, "-"},
        {"grey_17x33", 17, 33, PixelFormat::Gray8, Content::Photo, 2, 300, 300, {85}, "-"},
        {"rgb_17x33", 17, 33, PixelFormat::Rgb24, Content::Photo, 2, 300, 300, {85}, "-"},
        {"grey_1000x1", 1000, 1, PixelFormat::Gray8, Content::Photo, 5, 300, 300, {85}, "-"},
        {"rgb_1000x1", 1000, 1, PixelFormat::Rgb24, Content::Photo, 5, 300, 300, {85}, "-"},
        {"bw_17x33", 17, 33, PixelFormat::BlackWhite1, Content::Photo, 1, 300, 300, {85}, "-"},
        {"bw_document_1240x1754", 1240, 1754, PixelFormat::BlackWhite1, Content::Document, 3, 150, 150, kScale, "margin"},
        {"grey_flat_64x48", 64, 48, PixelFormat::Gray8, Content::Flat, 1, 300, 300, {50, 85}, "flat"},
        {"rgb_flat_41x23", 41, 23, PixelFormat::Rgb24, Content::Flat, 1, 300, 300, {50, 85}, "flat"},
        {"grey_photo_300x200", 300, 200, PixelFormat::Gray8, Content::Photo, 1, 0, 0, kScale, "-"},
        {"rgb_photo_300x200", 300, 200, PixelFormat::Rgb24, Content::Photo, 1, 200.4, 99.6, kScale, "-"},
        {"rgb_photo_a4", 2480, 3508, PixelFormat::Rgb24, Content::Photo, 1, 300, 300, kScale, "-"},
        {"rgb_document_a4", 2480, 3508, PixelFormat::Rgb24, Content::Document, 3, 300, 300, kScale, "margin,document"},
        {"grey_photo_a4", 2480, 3508, PixelFormat::Gray8, Content::Photo, 3, 300, 300, kScale, "-"},
        {"grey_document_a4", 2480, 3508, PixelFormat::Gray8, Content::Document, 1, 300, 300, kScale, "margin"},
    };
    return cases;
}

// The pixels as a binary PGM (grey and 1-bit, as 0/255) or PPM, without padding.
bool WriteExpected(const OwnedPage& page, const std::filesystem::path& path) {
    const bool colour = page.format == PixelFormat::Rgb24;
    std::ofstream out(path, std::ios::binary);
    out << (colour ? "P6" : "P5") << '\n' << page.width << ' ' << page.height << "\n255\n";
    std::vector<char> row;
    for (std::uint32_t y = 0; y < page.height; ++y) {
        const auto pixels = page.View().Row(y);
        row.clear();
        if (page.format == PixelFormat::BlackWhite1) {
            for (std::uint32_t x = 0; x < page.width; ++x) row.push_back((pixels[x / 8] >> (7 - x % 8) & 1) ? 0 : static_cast<char>(255));
        } else {
            row.assign(pixels.begin(), pixels.end());
        }
        out.write(row.data(), static_cast<std::streamsize>(row.size()));
    }
    return static_cast<bool>(out);
}

bool WriteBytes(const std::vector<std::uint8_t>& bytes, const std::filesystem::path& path) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: write_test_jpegs <directory>\n");
        return 2;
    }
    const std::filesystem::path directory = argv[1];
    std::filesystem::create_directories(directory);
    std::ofstream manifest(directory / "manifest.txt");
    for (const Case& c : Cases()) {
        OwnedPage page = vantrel::imaging::test::MakePage(c.width, c.height, c.format, c.content, c.padding, c.xDpi);
        page.yDpi = c.yDpi;
        const bool colour = c.format == PixelFormat::Rgb24;
        const std::string expected = std::string(c.name) + (colour ? ".ppm" : ".pgm");
        if (!WriteExpected(page, directory / expected)) {
            std::fprintf(stderr, "cannot write %s\n", expected.c_str());
            return 1;
        }
        for (const int quality : c.qualities) {
            const auto file = vantrel::imaging::EncodeJpeg(page.View(), quality);
            const std::string name = std::string(c.name) + "_q" + std::to_string(quality) + ".jpg";
            if (file.empty() || !WriteBytes(file, directory / name)) {
                std::fprintf(stderr, "cannot encode or write %s\n", name.c_str());
                return 1;
            }
            manifest << "case=" << c.name << " jpeg=" << name << " expected=" << expected << " width=" << c.width
                     << " height=" << c.height << " mode=" << (colour ? "RGB" : "L") << " xdpi=" << c.xDpi
                     << " ydpi=" << c.yDpi << " quality=" << quality << " checks=" << c.checks << '\n';
            std::printf("%s: %zu bytes\n", name.c_str(), file.size());
        }
    }
    return manifest ? 0 : 1;
}
