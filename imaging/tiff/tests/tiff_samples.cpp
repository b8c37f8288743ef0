// Writes sample TIFFs for the libtiff and Pillow check: each page beside the pixels it must decode to (8 bits per
// sample, black 0) and a manifest line "file page mode width height xdpi ydpi compression expected".
// Arguments after the output directory are JPEG files "path:width:height:colour:sx:sy", stored as JPEG pages
// beside two that our own JPEG encoder makes.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "imaging/jpeg/jpeg_encoder.h"
#include "imaging/tiff/tests/sample_pages.h"
#include "imaging/tiff/tiff_writer.h"

namespace {

using namespace vantrel::imaging;

// One byte per sample as Pillow's L and RGB modes give them; a 1 bit in our pages is black.
std::vector<std::uint8_t> ExpectedPixels(const PageImage& page) {
    std::vector<std::uint8_t> out;
    for (std::uint32_t y = 0; y < page.height; ++y) {
        const auto row = page.Row(y);
        if (page.format != PixelFormat::BlackWhite1) {
            out.insert(out.end(), row.begin(), row.end());
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

const char* ModeOf(PixelFormat format) {
    return format == PixelFormat::BlackWhite1 ? "1" : format == PixelFormat::Gray8 ? "L" : "RGB";
}

struct Page {
    std::shared_ptr<void> owner;
    PageImage image;
    TiffPageOptions options;
};

Page Bitonal(std::unique_ptr<testing::OwnedBitonalPage> owned, double xDpi, double yDpi, TiffPageOptions options = {}) {
    owned->page.xDpi = xDpi;
    owned->page.yDpi = yDpi;
    const PageImage image = owned->page;
    return {std::shared_ptr<void>(std::move(owned)), image, options};
}

Page Sampled(std::unique_ptr<testing::OwnedPage> owned, TiffPageOptions options = {}) {
    const PageImage image = owned->page;
    return {std::shared_ptr<void>(std::move(owned)), image, options};
}

// A 1-bit page whose rows have a run of every multiple of 64 (plus a little) in each colour, so every make-up code
// and many terminating codes are used.
std::unique_ptr<testing::OwnedBitonalPage> EveryMakeUpPage() {
    constexpr std::uint32_t kWidth = 6300, kRows = 98;
    auto owned = testing::WhitePage(kWidth, 2 * kRows, 1, 77);
    for (std::uint32_t r = 0; r < kRows; ++r) {
        const std::uint32_t run = std::min(kWidth - 1, r * 64 + r % 64);
        for (std::uint32_t x = run; x < kWidth; ++x) testing::SetPixel(*owned, x, 2 * r, true);
        for (std::uint32_t x = 1; x < 1 + run; ++x) testing::SetPixel(*owned, x, 2 * r + 1, true);
    }
    return owned;
}

class SampleWriter {
public:
    explicit SampleWriter(std::string dir) : dir_(std::move(dir)), manifest_(dir_ + "/manifest.txt") {}

    bool Write(const std::string& name, const std::vector<Page>& pages) {
        MemorySink sink;
        TiffWriter writer(sink);
        for (std::size_t i = 0; i < pages.size(); ++i) {
            const Page& p = pages[i];
            if (!writer.AddPage(p.image, p.options)) return Report(name, writer.Error());
            const std::string raw = name + ".p" + std::to_string(i) + ".raw";
            if (!WriteFile(dir_ + "/" + raw, ExpectedPixels(p.image))) return false;
            const bool g4 = p.image.format == PixelFormat::BlackWhite1 && p.options.compression == TiffCompression::Automatic;
            const char* compression = p.options.compression == TiffCompression::None ? "none" : g4 ? "g4" : "deflate";
            Line(name, i, ModeOf(p.image.format), p.image.width, p.image.height, p.image.xDpi, p.image.yDpi, compression, raw);
        }
        if (!writer.Finish()) return Report(name, writer.Error());
        return WriteFile(dir_ + "/" + name + ".tif", sink.Data());
    }

    // JPEG pages made elsewhere and by EncodeJpeg (colour 4:2:0 and grey), between two 1-bit pages, so the chain
    // links across compressions.
    bool WriteJpegs(std::vector<std::string> specs) {
        const auto colour = testing::SamplePage(PixelFormat::Rgb24, 301, 203, 1, testing::Samples::Smooth, 41);
        const auto grey = testing::SamplePage(PixelFormat::Gray8, 150, 99, 2, testing::Samples::Smooth, 42);
        for (const auto& [page, name, spec] : {std::tuple{&colour->page, "/ours_colour.jpg", ":301:203:1:2:2"},
                                               std::tuple{&grey->page, "/ours_grey.jpg", ":150:99:0:1:1"}}) {
            if (!WriteFile(dir_ + name, EncodeJpeg(*page, 85))) return false;
            specs.push_back(dir_ + name + spec);
        }
        MemorySink sink;
        TiffWriter writer(sink);
        const auto frame = testing::RandomPage(64, 8, 0, 5);
        std::size_t index = 0;
        if (!writer.AddPage(frame->page)) return Report("jpeg", writer.Error());
        if (!WriteFile(dir_ + "/jpeg.p0.raw", ExpectedPixels(frame->page))) return false;
        Line("jpeg", index++, "1", 64, 8, 0, 0, "g4", "jpeg.p0.raw");
        for (const std::string& spec : specs) {
            std::istringstream fields(spec);
            std::string path, width, height, colour, sx, sy;
            std::getline(fields, path, ':');
            std::getline(fields, width, ':');
            std::getline(fields, height, ':');
            std::getline(fields, colour, ':');
            std::getline(fields, sx, ':');
            std::getline(fields, sy, ':');
            std::ifstream file(path, std::ios::binary);
            const std::vector<std::uint8_t> jpeg((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
            const JpegPageInfo info{.width = static_cast<std::uint32_t>(std::stoul(width)),
                                    .height = static_cast<std::uint32_t>(std::stoul(height)),
                                    .colour = colour == "1",
                                    .subsamplingX = static_cast<std::uint16_t>(std::stoul(sx)),
                                    .subsamplingY = static_cast<std::uint16_t>(std::stoul(sy)),
                                    .xDpi = 150,
                                    .yDpi = 150};
            if (!writer.AddJpegPage(jpeg, info)) return Report("jpeg " + path, writer.Error());
            Line("jpeg", index++, info.colour ? "RGB" : "L", info.width, info.height, 150, 150, "jpeg", path);
        }
        if (!writer.AddPage(frame->page)) return Report("jpeg", writer.Error());
        Line("jpeg", index, "1", 64, 8, 0, 0, "g4", "jpeg.p0.raw");
        if (!writer.Finish()) return Report("jpeg", writer.Error());
        return WriteFile(dir_ + "/jpeg.tif", sink.Data());
    }

private:
    bool Report(const std::string& name, TiffError error) {
        std::fprintf(stderr, "%s: %s\n", name.c_str(), Describe(error));
        return false;
    }

    void Line(const std::string& name, std::size_t page, const char* mode, std::uint32_t width, std::uint32_t height,
              double xDpi, double yDpi, const char* compression, const std::string& expected) {
        manifest_ << name << ".tif " << page << " " << mode << " " << width << " " << height << " " << xDpi << " " << yDpi
                  << " " << compression << " " << expected << "\n";
    }

    std::string dir_;
    std::ofstream manifest_;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: tiff_samples OUTPUT_DIR [JPEG:width:height:colour:sx:sy ...]\n");
        return 2;
    }
    SampleWriter samples(argv[1]);
    bool ok = true;
    const double dpis[][2] = {{300, 300}, {0, 0}, {200.5, 100.25}, {72.27, 72.27}, {96, 0}, {1200, 600}};
    const std::uint32_t widths[] = {1,    2,    3,    5,    7,    8,    9,    13,   31,   33,   63,   64,
                                    65,   127,  129,  255,  1000, 1727, 1728, 1729, 2047, 2559, 2560, 2561,
                                    2623, 2624, 2625, 3001, 5119, 5121, 7777, 9999, 10000, 10007};
    for (std::size_t i = 0; i < std::size(widths); ++i) {
        const std::uint32_t w = widths[i];
        const auto& dpi = dpis[i % std::size(dpis)];
        ok &= samples.Write("bitonal_" + std::to_string(w),
                            {Bitonal(testing::RandomPage(w, 1 + w % 17, w % 4, w), dpi[0], dpi[1])});
    }
    ok &= samples.Write("every_make_up", {Bitonal(EveryMakeUpPage(), 300, 300)});
    ok &= samples.Write("text_letter_100dpi", {Bitonal(testing::TextPage(850, 1100, 3, 11, 100), 100, 100)});
    ok &= samples.Write("a4_300dpi", {Bitonal(testing::TextPage(2480, 3508, 0, 12, 300), 300, 300)});
    using testing::Samples;
    ok &= samples.Write(
        "mixed",
        {
            Bitonal(testing::RandomPage(1001, 50, 3, 21), 300, 300),
            Sampled(testing::SamplePage(PixelFormat::Gray8, 1200, 400, 1, Samples::Smooth, 22, 200.5, 100.25)),
            Sampled(testing::SamplePage(PixelFormat::Rgb24, 777, 301, 2, Samples::Smooth, 23, 72.27, 72.27),
                    {.predictor = TiffPredictor::Horizontal}),
            Sampled(testing::SamplePage(PixelFormat::Gray8, 333, 97, 3, Samples::TwoLevel, 24, 600, 600)),
            Sampled(testing::SamplePage(PixelFormat::Rgb24, 1, 1, 0, Samples::Noise, 25), {.zlibLevel = 9}),
            Bitonal(testing::TextPage(850, 1100, 1, 26, 100), 100, 100),
            Sampled(testing::SamplePage(PixelFormat::Gray8, 500, 300, 0, Samples::Noise, 27, 150, 150),
                    {.compression = TiffCompression::None}),
            Sampled(testing::SamplePage(PixelFormat::Rgb24, 301, 250, 1, Samples::Smooth, 28, 0, 0),
                    {.compression = TiffCompression::None}),
            Bitonal(testing::RandomPage(77, 1500, 2, 29), 96, 0, {.compression = TiffCompression::None}),
            Sampled(testing::SamplePage(PixelFormat::Rgb24, 23000, 4, 2, Samples::Smooth, 30, 300, 300),
                    {.predictor = TiffPredictor::Horizontal, .zlibLevel = 1}),
        });
    ok &= samples.WriteJpegs(std::vector<std::string>(argv + 2, argv + argc));
    return ok ? 0 : 1;
}
