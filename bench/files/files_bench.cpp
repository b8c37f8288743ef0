// vantrel_files_bench: figures for the image files, printed by `make bench` (never judged).
//   vantrel_files_bench            our PNG against WIC's; a 50-page PDF's size and peak memory against one page; PDF and
//                                  TIFF complete at every page against complete only at the end, and the flush per page
//   vantrel_files_bench --smoke    each once with few pages, to see that it runs
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/fixtures/child_process.h"
#include "win32/com_apartment.h"
#include "imaging/jpeg/jpeg_encoder.h"
#include "imaging/files/file_sink.h"
#include "imaging/files/page_files.h"
#include "imaging/pdf/page_streams.h"
#include "imaging/pdf/pdf_writer.h"
#include "imaging/tiff/tiff_writer.h"
#include "bench/summary.h"
#include "bench/files/wic_png.h"
#include "imaging/tests/test_pages.h"

namespace {

namespace fs = std::filesystem;
using vantrel::imaging::OpenPageFiles;
using vantrel::imaging::PageImage;
using vantrel::imaging::PixelFormat;

constexpr std::uint32_t kA4Width = 2480;  // A4 at 300 dpi
constexpr std::uint32_t kA4Height = 3508;

// A colour scan, never smooth: gradients with sensor noise of a few levels, which a lossless coder has to carry.
std::unique_ptr<vantrel::imaging::testing::OwnedPage> ColourPage() {
    return vantrel::imaging::testing::SamplePage(PixelFormat::Rgb24, kA4Width, kA4Height, 0,
                                                 vantrel::imaging::testing::Content::Smooth, 1, 300, 300);
}

double Seconds() {
    LARGE_INTEGER now, frequency;
    ::QueryPerformanceCounter(&now);
    ::QueryPerformanceFrequency(&frequency);
    return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

fs::path WorkDirectory() {
    const fs::path directory = fs::temp_directory_path() / ("vantrel-files-bench-" + std::to_string(::GetCurrentProcessId()));
    fs::create_directories(directory);
    return directory;
}

void Row(const char* measurement, const char* image, const std::string& ours, const std::string& reference,
         const std::string& ratio, const char* note) {
    std::printf("| %s | %s | %s | %s | %s | %s |\n", measurement, image, ours.c_str(), reference.c_str(), ratio.c_str(), note);
}

std::string Ms(const bench::Summary& s) {
    char text[96];
    std::snprintf(text, sizeof text, "%.0f ms (%.0f to %.0f, %zu runs)", s.median * 1000, s.low * 1000, s.high * 1000, s.count);
    return text;
}

std::string Number(double value, const char* format) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

// Ours through the consumer (file under a temporary name, moved into place) and WIC's straight to a file, alternating.
int ComparePng(const PageImage& page, int runs, const fs::path& directory) {
    std::vector<double> ours, wic;
    std::uintmax_t oursBytes = 0, wicBytes = 0;
    for (int run = 0; run < runs; ++run) {
        const fs::path ourPath = directory / "ours.png", wicPath = directory / "wic.png";
        std::wstring error;
        double start = Seconds();
        auto consumer = OpenPageFiles(ourPath.wstring(), {}, error);
        if (!consumer || !consumer->Take(page) || !consumer->Finish()) return 1;
        ours.push_back(Seconds() - start);
        oursBytes = fs::file_size(ourPath);
        start = Seconds();
        if (!bench::WriteWicPng(page, wicPath.wstring())) return 1;
        wic.push_back(Seconds() - start);
        wicBytes = fs::file_size(wicPath);
    }
    const auto o = bench::Summarize(ours), w = bench::Summarize(wic);
    Row("PNG, ours (zlib level 6, adaptive filters) against WIC's (time)", "A4 colour 300 dpi with noise, 26 MB raw", Ms(o), Ms(w),
        Number(o.median / w.median, "%.2f"), "ratio: ours / WIC");
    Row("PNG, ours against WIC's (size)", "A4 colour 300 dpi with noise", Number(static_cast<double>(oursBytes) / 1024, "%.0f KB"),
        Number(static_cast<double>(wicBytes) / 1024, "%.0f KB"), Number(double(oursBytes) / double(wicBytes), "%.2f"),
        "ratio: ours / WIC");
    return 0;
}

// In a fresh process: the page made first, then the PDF of `pages` copies; the resident peak over what the
// process held with the page in memory (Wine keeps no peak of committed memory).
int PdfChild(int pages, const fs::path& result) {
    const auto owned = ColourPage();
    const PageImage& page = owned->page;
    const fs::path directory = WorkDirectory();
    PROCESS_MEMORY_COUNTERS before{}, after{};
    ::GetProcessMemoryInfo(::GetCurrentProcess(), &before, sizeof before);
    std::wstring error;
    auto consumer = OpenPageFiles((directory / "batch.pdf").wstring(), {}, error);
    for (int i = 0; consumer && i < pages; ++i) {
        if (!consumer->Take(page)) return 1;
    }
    if (!consumer || !consumer->Finish()) return 1;
    ::GetProcessMemoryInfo(::GetCurrentProcess(), &after, sizeof after);
    const std::uint64_t stream = vantrel::imaging::EncodeJpeg(page).size();  // the encoder is deterministic
    std::ofstream(result) << consumer->Files()[0].bytes << ' ' << stream * static_cast<std::uint64_t>(pages) << ' '
                          << (after.PeakWorkingSetSize - before.WorkingSetSize) << '\n';
    fs::remove_all(directory);
    return 0;
}

int ComparePdf(int pages, const fs::path& directory) {
    const auto run = [&directory](int count, std::uint64_t& bytes, std::uint64_t& streams, std::uint64_t& peak) {
        const fs::path result = directory / ("pdf-" + std::to_string(count) + ".txt");
        const std::wstring command = L"\"" + (fixtures::ProgramDirectory() / L"vantrel_files_bench.exe").wstring() +
                                     L"\" --pdf-child " + std::to_wstring(count) + L" \"" + result.wstring() + L"\"";
        if (fixtures::RunAndWait(command) != 0) return false;
        std::ifstream(result) >> bytes >> streams >> peak;
        return true;
    };
    std::uint64_t bytes = 0, streams = 0, peak = 0, oneBytes = 0, oneStreams = 0, onePeak = 0;
    if (!run(pages, bytes, streams, peak) || !run(1, oneBytes, oneStreams, onePeak)) return 1;
    const std::string image = std::to_string(pages) + " A4 colour 300 dpi pages, JPEG quality 85";
    Row("PDF bytes written against the sum of its image streams", image.c_str(), Number(double(bytes) / 1024, "%.0f KB"),
        Number(double(streams) / 1024, "%.0f KB"), Number(double(bytes) / double(streams), "%.4f"),
        "the rest is the PDF's own structure");
    Row("PDF extra resident peak, many pages against one", image.c_str(), Number(double(peak) / 1024, "%.0f KB"),
        Number(double(onePeak) / 1024, "%.0f KB (1 page)"), Number(double(peak) / double(onePeak), "%.2f"),
        "the page itself (26 MB) was in memory before; one encoded page is held at a time");
    return 0;
}

// How a batch file is written: as before (PDF: tree, cross-reference and trailer at the end only; TIFF: the same
// bytes, no flush), complete at every page without asking the disk to keep it, or the product's way: complete at
// every page and flushed (FlushFileBuffers) before the page counts as stored.
enum class Checkpoints { None, Unflushed, Flushed };

struct Written {
    double seconds = 0;
    std::uint64_t bytes = 0;
};

// `pages` copies of a text page (A4 at 300 dpi, 1 bit) into a file through the sink the product uses. The PDF takes the
// page coded once, so the figures are the writer's and the disk's; the TIFF writer codes each page itself.
bool WriteBatch(bool pdf, int pages, Checkpoints checkpoints, const fs::path& directory, Written& written) {
    static const auto text = vantrel::imaging::testing::TextPage(kA4Width, kA4Height, 0, 1, 300);
    static const auto coded = vantrel::imaging::EncodeBilevelImage(text->page);
    std::wstring error;
    const auto sink = vantrel::imaging::FileSink::Create((directory / (pdf ? "batch.pdf" : "batch.tif")).wstring(), error);
    if (!sink || !coded) return false;
    vantrel::imaging::PdfWriter pdfWriter(*sink, checkpoints != Checkpoints::None);
    vantrel::imaging::TiffWriter tiffWriter(*sink);
    const double start = Seconds();
    for (int i = 0; i < pages; ++i) {
        if (pdf ? pdfWriter.AddPage(coded->View()) != vantrel::imaging::PdfResult::Ok : !tiffWriter.AddPage(text->page)) return false;
        if (checkpoints != Checkpoints::None && !sink->Checkpoint(checkpoints == Checkpoints::Flushed)) return false;
    }
    if (pdf ? pdfWriter.Finish({}) != vantrel::imaging::PdfResult::Ok : !tiffWriter.Finish()) return false;
    if (!sink->Commit()) return false;
    written = {Seconds() - start, sink->Size()};
    return true;
}

// Medians of `runs` alternating runs of two ways of writing, per page: time and bytes.
int CompareCheckpoints(bool pdf, int pages, Checkpoints ours, Checkpoints reference, int runs, const fs::path& directory,
                       bool withBytes) {
    std::vector<double> oursTimes, referenceTimes;
    Written o, r;
    for (int run = 0; run < runs; ++run) {
        if (!WriteBatch(pdf, pages, ours, directory, o) || !WriteBatch(pdf, pages, reference, directory, r)) return 1;
        oursTimes.push_back(o.seconds / pages);
        referenceTimes.push_back(r.seconds / pages);
    }
    const auto ot = bench::Summarize(oursTimes), rt = bench::Summarize(referenceTimes);
    const std::string image = std::to_string(pages) + (pages == 1 ? " A4 text page" : " A4 text pages") + ", 1 bit 300 dpi";
    const bool flushOnly = reference == Checkpoints::Unflushed;
    const std::string what = std::string(pdf ? "PDF" : "TIFF") +
                             (flushOnly ? ", flushed to the disk at every page against not flushed (time per page)"
                                        : ", complete and flushed at every page against complete at the end (time per page)");
    Row(what.c_str(), image.c_str(), Number(ot.median * 1000, "%.2f ms"), Number(rt.median * 1000, "%.2f ms"),
        Number(ot.median / rt.median, "%.2f"), flushOnly ? "FlushFileBuffers' cost" : "ratio: checkpointed / at the end");
    if (!withBytes) return 0;
    const std::string bytes = std::string(pdf ? "PDF" : "TIFF") + ", complete at every page against at the end (bytes per page)";
    Row(bytes.c_str(), image.c_str(), Number(double(o.bytes) / pages / 1024, "%.1f KB"), Number(double(r.bytes) / pages / 1024, "%.1f KB"),
        Number(double(o.bytes) / double(r.bytes), "%.4f"), pdf ? "an update section and the tree's open branch a page" : "the same bytes");
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const std::wstring mode = argc > 1 ? argv[1] : L"";
    if (mode == L"--pdf-child" && argc == 4) return PdfChild(std::stoi(argv[2]), argv[3]);
    if (!mode.empty() && mode != L"--smoke") {
        std::fprintf(stderr, "usage: vantrel_files_bench [--smoke]\n");
        return 2;
    }
    const bool smoke = mode == L"--smoke";
    vantrel::ComApartment apartment;
    const fs::path directory = WorkDirectory();
    std::printf("\n| Measurement | Image | Ours (median) | Reference | Ratio | Note |\n|---|---|---:|---:|---:|---|\n");
    int status = ComparePng(ColourPage()->page, smoke ? 1 : 5, directory);
    status |= ComparePdf(smoke ? 3 : 50, directory);
    for (const bool pdf : {true, false}) {
        for (const int pages : {1, 50, 500}) {
            if (smoke && pages == 500) continue;
            status |= CompareCheckpoints(pdf, pages, Checkpoints::Flushed, Checkpoints::None, smoke ? 1 : 5, directory, true);
        }
        status |= CompareCheckpoints(pdf, 50, Checkpoints::Flushed, Checkpoints::Unflushed, smoke ? 1 : 5, directory, false);
    }
    std::error_code ignored;
    fs::remove_all(directory, ignored);
    return status;
}
