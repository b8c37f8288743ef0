// The scanner's compression against raw transfer: each batch in a child process of its own through the system's
// DSM with the sample scanner, the scan job writing the real file, source and ours alternating.
#include "bench/compression_measurements.h"

#include "bench/child_run.h"
#include "engine/scan_job.h"
#include "imaging/files/page_files.h"
#include "tests/fixtures/scoped_environment.h"

#include <cstdio>

namespace bench {

namespace {

using namespace vantrel;

constexpr int kSheets = 5;  // duplex: 10 pages

// The files, counting the bytes each page came with: the scanner's coded bytes, or the raw pixels.
class CountingFiles final : public imaging::PageConsumer {
public:
    explicit CountingFiles(imaging::PageConsumer& files) : files_(files) {}
    bool Take(const imaging::PageImage& page) override {
        bytes += page.pixels.size();
        return files_.Take(page);
    }
    bool StoresCoded(imaging::PageCoding coding, imaging::PixelFormat format) const override {
        return files_.StoresCoded(coding, format);
    }
    bool TakeCoded(const imaging::CodedPage& page) override {
        bytes += page.bytes.size();
        return files_.TakeCoded(page);
    }
    bool Finish() override { return files_.Finish(); }
    const std::wstring& Error() const override { return files_.Error(); }
    const std::vector<imaging::StoredFile>& Files() const override { return files_.Files(); }

    std::uint64_t bytes = 0;

private:
    imaging::PageConsumer& files_;
};

struct Figures {
    bool ok = false;
    double msPerPage = 0;
    double kbPerPage = 0;
};

Figures RunChild(const wchar_t* coding, const wchar_t* who, int dpi) {
    const ChildRun child = RunWithSystemDsm(std::wstring(L"--compression ") + coding + L" " + who + L" " + std::to_wstring(dpi));
    unsigned pages = 0;
    unsigned long long bytes = 0;
    double ms = 0;
    if (child.exitCode != 0 || std::sscanf(child.output.c_str(), "pages %u bytes %llu ms %lf", &pages, &bytes, &ms) != 3 ||
        pages != 2 * kSheets)
        return {};
    return {true, ms / pages, bytes / 1024.0 / pages};
}

}  // namespace

std::vector<Row> MeasureScannerCompression(const Plan& plan) {
    std::vector<Row> rows;
    const int dpi = plan.memoryRuns <= 1 ? 75 : 200;
    const int runs = std::max(1, plan.memoryRuns);
    const struct {
        const wchar_t* coding;
        const char* image;
    } kinds[] = {{L"jpeg", "colour into PDF, the scanner's JPEG"}, {L"g4", "black and white into TIFF, the scanner's Group 4"}};
    for (const auto& kind : kinds) {
        const std::string image = std::to_string(2 * kSheets) + " pages A4 " + std::to_string(dpi) + " dpi, " + kind.image;
        Row time{"Scanner's compression kept, time per page, memory transfer (limit: raw pixels coded by us)", image};
        Row bytes{"Scanner's compression kept, bytes transferred per page (limit: raw pixels)", image, Unit::Kilobytes};
        std::vector<double> times[2], sizes[2];
        for (int run = 0; run < runs; ++run) {
            for (int ours = 0; ours < 2; ++ours) {
                const Figures figures = RunChild(kind.coding, ours ? L"ours" : L"source", dpi);
                if (!figures.ok) {
                    time.note = bytes.note = "a run failed";
                    rows.push_back(time);
                    rows.push_back(bytes);
                    return rows;
                }
                times[ours].push_back(figures.msPerPage);
                sizes[ours].push_back(figures.kbPerPage);
            }
        }
        time.value = Summarize(times[0]);
        time.limit = Summarize(times[1]);
        bytes.value = Summarize(sizes[0]);
        bytes.limit = Summarize(sizes[1]);
        rows.push_back(time);
        rows.push_back(bytes);
    }
    return rows;
}

int CompressionChild(const std::wstring& coding, const std::wstring& who, int dpi) {
    fixtures::ScopedEnvironment sheets(L"VANTREL_SCANNER_SHEETS", std::to_wstring(kSheets));
    engine::Session session;
    if (!session.Open().empty() || session.OpenSource(L"Vantrel Sample Scanner")) {
        std::printf("failed: no sample scanner\n");
        return 1;
    }
    const bool jpeg = coding == L"jpeg";
    engine::ScanJob job;
    job.settings.feeder = job.settings.duplex = true;
    job.settings.colorMode = jpeg ? engine::ColorMode::Color : engine::ColorMode::BlackWhite;
    job.settings.resolution = dpi;
    job.settings.paperSize = engine::FindPaperSize(std::string_view("A4"));
    job.mode = engine::TransferMode::Memory;
    job.compression = who == L"ours" ? engine::Compression::Ours : engine::Compression::Source;
    wchar_t folder[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, folder);
    const std::wstring path = std::wstring(folder) + L"vantrel-bench-" + std::to_wstring(::GetCurrentProcessId()) + (jpeg ? L".pdf" : L".tif");
    std::wstring error;
    const auto files = imaging::OpenPageFiles(path, {}, error);
    if (!files) return 1;
    CountingFiles counting(*files);
    LARGE_INTEGER start{}, end{}, frequency{};
    ::QueryPerformanceFrequency(&frequency);
    ::QueryPerformanceCounter(&start);
    const engine::ScanJobResult result = engine::RunScanJob(session, job, counting);
    ::QueryPerformanceCounter(&end);
    ::DeleteFileW(path.c_str());
    if (result.refusal || !result.finished || result.batch.pages == 0) {
        std::printf("failed: %ls %ls\n", result.refusal ? result.refusal->message.c_str() : L"", result.batch.reason.c_str());
        return 1;
    }
    std::printf("pages %u bytes %llu ms %.3f\n", result.batch.pages, static_cast<unsigned long long>(counting.bytes),
                1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart));
    return 0;
}

}  // namespace bench
