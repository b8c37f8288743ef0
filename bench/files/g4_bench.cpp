// g4_bench: our Group 4 encoder against libtiff's (tiffcp -c g4) on the same A4 300 dpi text page, natively.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "imaging/byte_sink.h"
#include "imaging/g4/group4_encoder.h"
#include "bench/summary.h"
#include "imaging/tests/test_pages.h"
#include "imaging/tiff/tiff_writer.h"

namespace {

namespace fs = std::filesystem;

double Seconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

bench::Summary TimeCommand(const std::string& command, int runs) {
    std::vector<double> samples;
    for (int i = 0; i < runs; ++i) {
        const double start = Seconds();
        if (std::system(command.c_str()) != 0) return {};
        samples.push_back(Seconds() - start);
    }
    return bench::Summarize(samples);
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 && std::string(argv[1]) == "--smoke" ? 1 : 7;
    const auto owned = vantrel::imaging::testing::TextPage(2480, 3508, 0, 1, 300);
    const vantrel::imaging::PageImage& page = owned->page;
    std::vector<double> ours;
    std::size_t oursBytes = 0;
    for (int i = 0; i < runs; ++i) {
        const double start = Seconds();
        oursBytes = vantrel::imaging::EncodeGroup4(page).size();
        ours.push_back(Seconds() - start);
    }
    // libtiff reads the same page from an uncompressed TIFF; its copy without compression is the file work alone.
    const fs::path directory = fs::temp_directory_path() / ("vantrel-g4-bench-" + std::to_string(::getpid()));
    fs::create_directories(directory);
    vantrel::imaging::MemorySink sink;
    vantrel::imaging::TiffWriter writer(sink);
    if (!writer.AddPage(page, {.compression = vantrel::imaging::TiffCompression::None}) || !writer.Finish()) return 1;
    std::ofstream(directory / "page.tif", std::ios::binary)
        .write(reinterpret_cast<const char*>(sink.Data().data()), static_cast<std::streamsize>(sink.Data().size()));
    const std::string in = (directory / "page.tif").string(), out = (directory / "out.tif").string();
    const bench::Summary g4 = TimeCommand("tiffcp -c g4 " + in + " " + out, runs);
    const std::uintmax_t theirBytes = fs::file_size(out);
    const bench::Summary copy = TimeCommand("tiffcp -c none " + in + " " + out, runs);
    fs::remove_all(directory);
    if (g4.count == 0 || copy.count == 0) return 1;

    const bench::Summary o = bench::Summarize(ours);
    const double theirs = g4.median - copy.median;
    std::printf("| Group 4, ours against libtiff's `tiffcp -c g4` (time) | A4 text 300 dpi, 1-bit | %.1f ms (%.1f to %.1f, %zu runs) | "
                "%.1f ms (tiffcp -c g4 %.1f ms less tiffcp -c none %.1f ms) | %.2f | ratio: ours / libtiff's coding alone |\n",
                o.median * 1000, o.low * 1000, o.high * 1000, o.count, theirs * 1000, g4.median * 1000, copy.median * 1000,
                theirs > 0 ? o.median / theirs : 0.0);
    std::printf("| Group 4, ours against libtiff's (size) | A4 text 300 dpi, 1-bit | %zu bytes (data) | %ju bytes (whole TIFF) | %.2f | |\n",
                oursBytes, theirBytes, double(oursBytes) / double(theirBytes));
    return 0;
}
