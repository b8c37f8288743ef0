// Writes sample PNGs for the Pillow check: each file beside the pixels it must decode to (8 bits per
// sample, black 0) and a manifest line "name mode width height xdpi ydpi".
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "imaging/png/png_writer.h"
#include "imaging/png/tests/test_pages.h"

namespace {

using vantrel::imaging::PixelFormat;

// One byte per sample as Pillow's L or RGB modes give them; a 1 bit in our pages is black.
std::vector<std::uint8_t> ExpectedPixels(const vantrel::imaging::PageImage& page) {
    std::vector<std::uint8_t> out;
    for (std::uint32_t y = 0; y < page.height; ++y) {
        const std::uint8_t* row = page.pixels.data() + page.stride * y;
        if (page.format != PixelFormat::BlackWhite1) {
            out.insert(out.end(), row, row + vantrel::imaging::MinimumStride(page.format, page.width));
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

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: png_samples OUTPUT_DIR\n");
        return 2;
    }
    const std::string dir = argv[1];
    std::ofstream manifest(dir + "/manifest.txt");
    const std::uint32_t widths[] = {1, 2, 3, 7, 8, 9, 15, 16, 17, 31, 33, 63, 65, 127, 129, 255, 257, 511, 513, 1000, 1001, 1031};
    const struct {
        PixelFormat format;
        const char* mode;
    } formats[] = {{PixelFormat::BlackWhite1, "1"}, {PixelFormat::Gray8, "L"}, {PixelFormat::Rgb24, "RGB"}};
    const double dpis[][2] = {{300, 300}, {0, 0}, {200, 100}, {96, 0}};
    int index = 0;
    for (const auto& f : formats) {
        for (const std::uint32_t width : widths) {
            const std::uint32_t height = 1 + width % 13;
            const std::uint32_t padding = static_cast<std::uint32_t>(index % 4);  // odd strides too
            const auto& dpi = dpis[index % 4];
            const auto content = index % 2 ? vantrel::imaging::testing::Content::Smooth : vantrel::imaging::testing::Content::Noise;
            const auto owned = vantrel::imaging::testing::MakePage(f.format, width, height, padding, content,
                                                                   static_cast<std::uint32_t>(index + 1), dpi[0], dpi[1]);
            vantrel::imaging::MemorySink sink;
            if (!vantrel::imaging::WritePng(owned->page, sink, {.zlibLevel = index % 10})) {
                std::fprintf(stderr, "WritePng refused %s %u x %u\n", f.mode, width, height);
                return 1;
            }
            const std::string name = "sample" + std::to_string(index);
            if (!WriteFile(dir + "/" + name + ".png", sink.Data()) ||
                !WriteFile(dir + "/" + name + ".raw", ExpectedPixels(owned->page))) {
                std::fprintf(stderr, "cannot write %s in %s\n", name.c_str(), dir.c_str());
                return 1;
            }
            // The density a reader should report: an axis without one takes the other's.
            const double x = dpi[0] > 0 ? dpi[0] : dpi[1], y = dpi[1] > 0 ? dpi[1] : dpi[0];
            manifest << name << ' ' << f.mode << ' ' << width << ' ' << height << ' ' << x << ' ' << y << '\n';
            ++index;
        }
    }
    return manifest ? 0 : 1;
}
