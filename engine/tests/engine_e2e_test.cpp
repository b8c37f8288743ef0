// The engine end to end: Wine's own DSM and the Vantrel Sample Scanner as a document scanner with
// a feeder, through the scan job both batch surfaces call, into real files.
#include "engine/scan_job.h"
#include "engine/settings.h"
#include "imaging/files/page_files.h"
#include "imaging/icc/standard_profiles.h"
#include "tests/fixtures/page_number_band.h"
#include "tests/fixtures/scoped_environment.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

namespace {

using namespace vantrel;
using namespace vantrel::engine;

class EngineEndToEnd : public ::testing::Test {
protected:
    void TearDown() override {
        session_.reset();
        environment_.clear();
    }

    // The quirks the whole run takes on (the 64-bit run's high-handles), read before any test sets its own.
    void SetUp() override {
        std::wstring run(::GetEnvironmentVariableW(L"VANTREL_SCANNER_QUIRKS", nullptr, 0), L'\0');
        if (!run.empty()) run.resize(::GetEnvironmentVariableW(L"VANTREL_SCANNER_QUIRKS", run.data(), static_cast<DWORD>(run.size())));
        runQuirks_ = run;
    }

    // A fresh session on the scanner, with `sheets` in its feeder, `fault` injected and `quirks`
    // taken on, beside the run's unless `alone`.
    void Open(const wchar_t* sheets, const wchar_t* fault = L"", std::wstring quirks = L"", bool alone = false) {
        if (!alone && !runQuirks_.empty()) quirks = quirks.empty() ? runQuirks_ : runQuirks_ + L"," + quirks;
        environment_.emplace_back(std::make_unique<fixtures::ScopedEnvironment>(L"VANTREL_SCANNER_SHEETS", sheets));
        environment_.emplace_back(std::make_unique<fixtures::ScopedEnvironment>(L"VANTREL_SCANNER_FAULT", fault));
        environment_.emplace_back(std::make_unique<fixtures::ScopedEnvironment>(L"VANTREL_SCANNER_QUIRKS", quirks));
        session_ = std::make_unique<Session>();
        ASSERT_EQ(session_->Open(), L"");
        ASSERT_EQ(session_->OpenSource(L"Vantrel Sample Scanner"), std::nullopt);
    }

    std::wstring runQuirks_;
    std::vector<std::unique_ptr<fixtures::ScopedEnvironment>> environment_;
    std::unique_ptr<Session> session_;
};

TEST_F(EngineEndToEnd, APaperSizeTheSourceCannotScanIsAnErrorNotASmallerPage) {
    Open(L"1");
    // Not among the scanner's sizes, and larger than its glass: the frame it sets instead is smaller.
    const std::wstring error = SetPaperSize(session_->Source(), *FindPaperSize(std::string_view("Ledger"))).value_or(Failure{}).message;
    EXPECT_NE(error.find(L"cannot scan the paper size Ledger"), std::wstring::npos);
    EXPECT_NE(error.find(L"8.50 x 14.00"), std::wstring::npos) << "it says what the source took instead";
    EXPECT_EQ(SetPaperSize(session_->Source(), *FindPaperSize(std::string_view("Letter"))), std::nullopt);
}

// Ten duplex sheets by each transfer, and the pages before a jam, scanned into real files. Their
// pages are read back by tools we did not write (read_scanned_files.py) from the directory
// VANTREL_SCANNED_FILES names; the list of page numbers each must hold goes beside them. With the
// scanner's compression its pages must be stored as it sent them: it dumps each page's stream into
// NAME.dump, and coded.txt says which files must hold exactly those bytes ("yes") and which must have
// had raw pages ("no"), or hold fewer bytes than it sent ("smaller": its Group 4 of halftone pages, stored the
// smaller way). Group 4 is kept as it came for text pages. How every other end of a batch goes is the scan job's table (scan_job_test.cpp).
// profiles.txt says which colour profile every page of a file must carry: "scanner" (the one the scanner gave, which
// it dumps as profile.icc, with VANTREL_SCANNER_ICC=1), "srgb" (ours, written beside as srgb.icc) or "none".
TEST_F(EngineEndToEnd, BatchesIntoPdfAndTiffFilesKeepEveryPageAndThePagesBeforeAJam) {
    wchar_t where[MAX_PATH] = {};
    if (!::GetEnvironmentVariableW(L"VANTREL_SCANNED_FILES", where, MAX_PATH)) GTEST_SKIP() << "VANTREL_SCANNED_FILES is not set";
    const std::filesystem::path out(where);
    std::filesystem::create_directories(out);
    std::ofstream expected(out / L"expected.txt");
    std::ofstream coded(out / L"coded.txt");
    std::ofstream profiles(out / L"profiles.txt");
    const std::vector<std::uint8_t>& srgb = imaging::icc::SrgbProfile();
    std::ofstream(out / L"srgb.icc", std::ios::binary).write(reinterpret_cast<const char*>(srgb.data()), static_cast<std::streamsize>(srgb.size()));
    const struct {
        const wchar_t* name;
        const wchar_t* fault;
        TransferMode mode;
        BatchEnd end;
        std::uint16_t pages;
        ColorMode colour = ColorMode::Gray;
        Compression compression = Compression::Source;
        const char* coded = "no";
        const wchar_t* quirks = L"";
        const wchar_t* content = L"chart";
        const wchar_t* reason = L"";  // words of the failure
        const char* profile = "none";
    } cases[] = {{L"batch.pdf", L"", TransferMode::Native, BatchEnd::Done, 20},
                 // Grey pages into a TIFF: the scanner's JPEG is not what TIFF keeps, so they come raw.
                 {L"memory.tif", L"", TransferMode::Memory, BatchEnd::Done, 20},
                 {L"jam.pdf", L"jam:7", TransferMode::Native, BatchEnd::Failed, 6},
                 {L"source-jpeg.pdf", L"", TransferMode::Memory, BatchEnd::Done, 20, ColorMode::Color, Compression::Source, "yes",
                  L"", L"chart", L"", "srgb"},
                 // The scanner's profile in every format, from the same settings (a single-page format takes one page).
                 {L"icc.pdf", L"", TransferMode::Memory, BatchEnd::Done, 20, ColorMode::Color, Compression::Source, "yes",
                  L"", L"chart", L"", "scanner"},
                 {L"icc.tif", L"", TransferMode::Memory, BatchEnd::Done, 20, ColorMode::Color, Compression::Source, "no",
                  L"", L"chart", L"", "scanner"},
                 {L"icc.png", L"", TransferMode::Memory, BatchEnd::LimitReached, 1, ColorMode::Color, Compression::Source, "no",
                  L"", L"chart", L"", "scanner"},
                 {L"icc.jpg", L"", TransferMode::Memory, BatchEnd::LimitReached, 1, ColorMode::Color, Compression::Source, "yes",
                  L"", L"chart", L"", "scanner"},
                 {L"srgb.png", L"", TransferMode::Native, BatchEnd::LimitReached, 1, ColorMode::Color, Compression::Source, "no",
                  L"", L"chart", L"", "srgb"},
                 {L"native-icc.png", L"", TransferMode::Native, BatchEnd::LimitReached, 1, ColorMode::Color, Compression::Source,
                  "no", L"", L"chart", L"", "scanner"},
                 {L"source-g4.tif", L"", TransferMode::Memory, BatchEnd::Done, 20, ColorMode::BlackWhite, Compression::Source, "yes",
                  L"", L"document"},
                 {L"halftone-g4.pdf", L"", TransferMode::Memory, BatchEnd::Done, 20, ColorMode::BlackWhite, Compression::Source,
                  "smaller"},
                 {L"ours.pdf", L"", TransferMode::Memory, BatchEnd::Done, 20, ColorMode::Color, Compression::Ours, "no", L"",
                  L"chart", L"", "srgb"},
                 {L"cut-jpeg.pdf", L"", TransferMode::Memory, BatchEnd::Failed, 0, ColorMode::Gray, Compression::Source, "no",
                  L"bad-compressed", L"page 1 is not valid: its JPEG data is not a complete baseline JPEG"},
                 {L"cut-g4.tif", L"", TransferMode::Memory, BatchEnd::Failed, 0, ColorMode::BlackWhite, Compression::Source, "no",
                  L"bad-compressed", L"page 1 is not valid: its Group 4 data"},
                 // By file: a JFIF file, a Group 4 TIFF, or a BMP of raw pixels.
                 {L"file-jpeg.pdf", L"", TransferMode::File, BatchEnd::Done, 20, ColorMode::Gray, Compression::Source, "yes"},
                 {L"file-g4.tif", L"", TransferMode::File, BatchEnd::Done, 20, ColorMode::BlackWhite, Compression::Source, "yes",
                  L"", L"document"},
                 {L"file-raw.pdf", L"", TransferMode::File, BatchEnd::Done, 20, ColorMode::Color, Compression::Ours, "no", L"",
                  L"chart", L"", "srgb"},
                 {L"file-icc.tif", L"", TransferMode::File, BatchEnd::Done, 20, ColorMode::Color, Compression::Ours, "no", L"",
                  L"chart", L"", "scanner"},
                 {L"cut-file-jpeg.pdf", L"", TransferMode::File, BatchEnd::Failed, 0, ColorMode::Color, Compression::Source, "no",
                  L"bad-compressed", L"page 1 is not valid: its JPEG data is not a complete baseline JPEG"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::filesystem::path(c.name).string());
        environment_.emplace_back(std::make_unique<fixtures::ScopedEnvironment>(L"VANTREL_SCANNER_CONTENT", c.content));
        environment_.emplace_back(std::make_unique<fixtures::ScopedEnvironment>(
            L"VANTREL_SCANNER_ICC", std::string_view(c.profile) == "scanner" ? L"1" : L""));
        Open(L"10", c.fault, c.quirks);
        const std::filesystem::path dump = out / (std::wstring(c.name) + L".dump");
        std::filesystem::remove_all(dump);
        std::filesystem::create_directories(dump);
        environment_.emplace_back(std::make_unique<fixtures::ScopedEnvironment>(L"VANTREL_SCANNER_DUMP", dump.wstring()));
        std::wstring error;
        const auto consumer = imaging::OpenPageFiles((out / c.name).wstring(), imaging::FileOptions{}, error);
        ASSERT_TRUE(consumer) << error.size();
        ScanJob job;
        job.settings.feeder = true;
        job.settings.duplex = *c.fault == 0;
        job.settings.resolution = 100;
        job.settings.colorMode = c.colour;
        job.mode = c.mode;
        job.compression = c.compression;
        if (c.pages == 1) job.maxPages = 1;
        const ScanJobResult result = RunScanJob(*session_, job, *consumer);
        ASSERT_TRUE(result.finished);
        EXPECT_EQ(result.batch.end, c.end);
        EXPECT_EQ(result.batch.pages, c.pages);
        EXPECT_NE(result.batch.reason.find(c.reason), std::wstring::npos) << result.batch.reason;
        session_.reset();
        if (c.pages == 0) continue;
        coded << std::filesystem::path(c.name).string() << ' ' << c.coded << '\n';
        profiles << std::filesystem::path(c.name).string() << ' ' << c.profile << '\n';
        expected << std::filesystem::path(c.name).string();
        for (std::uint16_t n = 1; n <= c.pages; ++n) expected << ' ' << n;
        expected << '\n';
    }
    // Every file a file transfer wrote was read and deleted.
    wchar_t temporary[MAX_PATH] = {};
    ASSERT_NE(::GetTempPathW(MAX_PATH, temporary), 0u);
    const std::wstring ours = L"vantrel-" + std::to_wstring(::GetCurrentProcessId()) + L"-";
    for (const auto& entry : std::filesystem::directory_iterator(temporary))
        EXPECT_NE(entry.path().filename().wstring().rfind(ours, 0), 0u) << entry.path().string();
}

// Each page's own number and a digest of all its pixels, as the engine hands them over.
class PageRecorder final : public imaging::PageConsumer {
public:
    bool Take(const imaging::PageImage& page) override {
        numbers.push_back(fixtures::ReadPageNumber(page).value_or(0));
        std::uint64_t digest = 1469598103934665603ull;  // FNV-1a
        for (std::uint8_t byte : page.pixels) digest = (digest ^ byte) * 1099511628211ull;
        digests.push_back(digest ^ (std::uint64_t{page.width} << 32) ^ page.height);
        sizes.emplace_back(page.width, page.height);
        dpis.emplace_back(page.xDpi, page.yDpi);
        return true;
    }
    bool Finish() override { return true; }
    const std::wstring& Error() const override { return error_; }
    const std::vector<imaging::StoredFile>& Files() const override { return files_; }

    std::vector<std::uint16_t> numbers;
    std::vector<std::uint64_t> digests;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> sizes;
    std::vector<std::pair<double, double>> dpis;

private:
    std::wstring error_;
    std::vector<imaging::StoredFile> files_;
};

// Real drivers' habits, each taken on by the scanner: the pages still come whole and in order. A
// page must equal, pixel for pixel, the page of a scanner without habits by the same transfer and
// colour (the rows "no habit").
TEST_F(EngineEndToEnd, RealDriversHabitsStillGiveEveryPageWholeAndInOrder) {
    const std::vector<std::uint16_t> four = {1, 2, 3, 4};
    const struct {
        const char* what;
        const wchar_t* quirks;
        TransferMode mode;
        bool feeder;
        ColorMode colour;
        BatchEnd end;
        std::vector<std::uint16_t> pages;
        std::vector<std::wstring> refusal;  // the words a refused setting is reported with
        const char* paper = nullptr;        // asked for; its pages' size in pixels at 75 dpi
        std::pair<std::uint32_t, std::uint32_t> size{};
        double dpi = 75;  // each page's, 0 for none
    } cases[] = {
        {"no habit", L"", TransferMode::Memory, true, ColorMode::Color, BatchEnd::Done, four, {}},
        // Each strip rule is the memory page's (its own table); here the three as one driver sends them.
        {"rows asked for, offsets 0, an empty last strip", L"rows-asked,zero-offsets,empty-final-strip",
         TransferMode::Memory, true, ColorMode::Color, BatchEnd::Done, four, {}},
        {"count unknown, feeder", L"count-unknown", TransferMode::Native, true, ColorMode::Color, BatchEnd::Done, four, {}},
        {"count unknown, flatbed", L"count-unknown", TransferMode::Native, false, ColorMode::Color, BatchEnd::LimitReached,
         {1}, {}},
        {"SET of the current pixel type refused", L"set-current-fails", TransferMode::Memory, true, ColorMode::Color,
         BatchEnd::Done, four, {}},
        {"SET of another pixel type refused", L"set-current-fails", TransferMode::Memory, true, ColorMode::Gray,
         BatchEnd::Failed, {}, {L"refused ICAP_PIXELTYPE = TWPT_GRAY", L"TWCC_BUMMER"}},
        {"flags as enumerations of numbers", L"booleans-as-enums", TransferMode::Memory, true, ColorMode::Color,
         BatchEnd::Done, four, {}},
        // A6 is not among the scanner's sizes: its frame goes in inches, whatever unit the source was in.
        {"frames in pixels", L"units-pixels", TransferMode::Memory, true, ColorMode::Color, BatchEnd::Done, four, {},
         "A6", {310, 437}},
        {"resolution unknown, memory", L"resolution-unknown", TransferMode::Memory, true, ColorMode::Color,
         BatchEnd::Done, four, {}, nullptr, {}, 0},
        {"resolution unknown, native", L"resolution-unknown", TransferMode::Native, true, ColorMode::Color,
         BatchEnd::Done, four, {}, nullptr, {}, 0},
        {"bit depth 0", L"bitdepth-zero", TransferMode::Memory, true, ColorMode::Color, BatchEnd::Done, four, {}},
        {"no habit, native black and white", L"", TransferMode::Native, true, ColorMode::BlackWhite, BatchEnd::Done, four, {}},
        {"1 bit without a colour table", L"bw-without-palette", TransferMode::Native, true, ColorMode::BlackWhite,
         BatchEnd::Done, four, {}},
    };
    std::map<std::tuple<TransferMode, ColorMode, bool, std::uint16_t>, std::uint64_t> plain;  // a page's digest without habits
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        // A DIB without its table is known by its block's exact size, which a block above 4 GB
        // (1 MB at least) does not have.
        Open(L"2", L"", c.quirks, std::wstring_view(c.quirks) == L"bw-without-palette");
        ScanJob job;
        job.settings.feeder = c.feeder;
        job.settings.duplex = c.feeder;
        job.settings.resolution = 75;
        job.settings.colorMode = c.colour;
        if (c.paper) job.settings.paperSize = FindPaperSize(std::string_view(c.paper));
        job.mode = c.mode;
        PageRecorder pages;
        const ScanJobResult result = RunScanJob(*session_, job, pages);
        const std::wstring refusal = result.refusal ? result.refusal->message : L"";
        EXPECT_EQ(refusal.empty(), c.refusal.empty()) << refusal;
        for (const std::wstring& word : c.refusal) EXPECT_NE(refusal.find(word), std::wstring::npos) << refusal;
        EXPECT_EQ(pages.numbers, c.pages);
        if (c.refusal.empty()) {
            EXPECT_EQ(result.batch.end, c.end) << result.batch.reason;
        }
        for (std::size_t i = 0; i < pages.numbers.size(); ++i) {
            EXPECT_EQ(pages.dpis[i], std::pair(c.dpi, c.dpi)) << "page " << pages.numbers[i];
            if (c.paper) {
                EXPECT_EQ(pages.sizes[i], c.size) << "page " << pages.numbers[i];
                continue;
            }
            const auto key = std::tuple(c.mode, c.colour, c.feeder, pages.numbers[i]);
            if (!plain.contains(key)) plain[key] = pages.digests[i];
            EXPECT_EQ(pages.digests[i], plain[key]) << "page " << pages.numbers[i];
        }
        session_.reset();
    }
}

}  // namespace
