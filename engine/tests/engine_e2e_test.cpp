// The engine end to end: Wine's own DSM and the Vantrel Sample Scanner as a document scanner with
// a feeder, through the scan job both batch surfaces call.
#include "engine/scan_job.h"
#include "engine/settings.h"
#include "engine/tests/recording_files.h"
#include "imaging/files/page_files.h"
#include "tests/fixtures/scoped_environment.h"
#include "tests/fixtures/test_directory.h"

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace vantrel;
using namespace vantrel::engine;
using namespace vantrel::twain;
using enginetest::OneTo;
using enginetest::RecordingFiles;
using enginetest::SeenPage;

constexpr wchar_t kScanner[] = L"Vantrel Sample Scanner";

class EngineEndToEnd : public ::testing::Test {
protected:
    void TearDown() override {
        session_.reset();
        environment_.clear();
    }

    void Set(const wchar_t* name, const std::wstring& value) {
        environment_.emplace_back(std::make_unique<fixtures::ScopedEnvironment>(name, value));
    }

    // A fresh session on the scanner, with `sheets` in its feeder, `fault` injected and its own log.
    void Open(const wchar_t* sheets, const wchar_t* fault = L"") {
        Set(L"VANTREL_SCANNER_SHEETS", sheets);
        Set(L"VANTREL_SCANNER_FAULT", fault);
        log_ = directory_ / (L"scanner-" + std::to_wstring(++opened_) + L".log");
        Set(L"VANTREL_SCANNER_LOG", log_.wstring());
        session_ = std::make_unique<Session>();
        ASSERT_EQ(session_->Open(), L"");
        ASSERT_EQ(session_->OpenSource(kScanner), L"");
    }

    // The settings of a typical document batch from the feeder.
    static ScanJob Feeder(bool duplex, double dpi, ColorMode mode) {
        ScanJob job;
        job.settings.feeder = true;
        job.settings.duplex = duplex;
        job.settings.resolution = dpi;
        job.settings.colorMode = mode;
        job.settings.paperSize = FindPaperSize(std::string_view("A4"));
        return job;
    }

    std::string Log() const {
        std::ifstream in(log_);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    fixtures::TestDirectory directory_{L"engine-e2e"};
    std::filesystem::path log_;
    int opened_ = 0;
    std::vector<std::unique_ptr<fixtures::ScopedEnvironment>> environment_;
    std::unique_ptr<Session> session_;
};

TEST_F(EngineEndToEnd, APaperSizeTheSourceCannotScanIsAnErrorNotASmallerPage) {
    Open(L"1");
    // Not among the scanner's sizes, and larger than its glass: the frame it sets instead is smaller.
    const std::wstring error = SetPaperSize(session_->Source(), *FindPaperSize(std::string_view("Ledger")));
    EXPECT_NE(error.find(L"cannot scan the paper size Ledger"), std::wstring::npos);
    EXPECT_NE(error.find(L"8.50 x 14.00"), std::wstring::npos) << "it says what the source took instead";
    EXPECT_EQ(SetPaperSize(session_->Source(), *FindPaperSize(std::string_view("Letter"))), L"");
}

// Every way a batch ends that the sample scanner can show, from one table: the pages stored in
// order before the end, what the job says, the pages left reset, and the source disabled, then closed.
TEST_F(EngineEndToEnd, EveryWayABatchEndsKeepsThePagesBeforeInOrder) {
    struct Case {
        const char* what;
        const wchar_t* sheets;
        const wchar_t* fault;
        bool duplex;
        TransferMode mode;
        std::optional<std::int32_t> maxPages;
        std::size_t filesFailAt;
        bool refuseEmptyFeeder;
        bool quit;  // WM_QUIT arrives while the scanner's dialog waits
        BatchEnd end;
        std::uint16_t pages;
        std::vector<std::wstring> words;  // in the reason, or in the refusal
        TW_UINT16 condition;
        bool reset;  // the pages left were reset
    };
    const Case cases[] = {
        {"ten duplex sheets, native", L"10", L"", true, TransferMode::Native, {}, SIZE_MAX, false, false, BatchEnd::Done, 20, {},
         TWCC_SUCCESS, false},
        {"ten duplex sheets, memory", L"10", L"", true, TransferMode::Memory, {}, SIZE_MAX, false, false, BatchEnd::Done, 20, {},
         TWCC_SUCCESS, false},
        {"jam at page 7", L"10", L"jam:7", false, TransferMode::Native, {}, SIZE_MAX, false, false, BatchEnd::Failed, 6,
         {L"page 7", L"TWCC_PAPERJAM"}, TWCC_PAPERJAM, true},
        {"double feed at page 2, memory", L"10", L"doublefeed:2", false, TransferMode::Memory, {}, SIZE_MAX, false, false,
         BatchEnd::Failed, 1, {L"page 2", L"TWCC_PAPERDOUBLEFEED"}, TWCC_PAPERDOUBLEFEED, true},
        {"cancel at page 4, memory", L"10", L"cancel:4", false, TransferMode::Memory, {}, SIZE_MAX, false, false,
         BatchEnd::Cancelled, 3, {L"cancelled at page 4"}, TWCC_SUCCESS, false},  // the cancel ends the feed
        {"limit 3", L"10", L"", false, TransferMode::Native, 3, SIZE_MAX, false, false, BatchEnd::LimitReached, 3, {},
         TWCC_SUCCESS, true},
        {"full disk at page 3", L"5", L"", false, TransferMode::Native, {}, 2, false, false, BatchEnd::Failed, 2,
         {L"disk is full"}, TWCC_SUCCESS, true},
        {"empty feeder, refused", L"0", L"", false, TransferMode::Native, {}, SIZE_MAX, true, false, BatchEnd::Failed, 0,
         {L"feeder is empty"}, TWCC_SUCCESS, false},
        {"empty feeder, not refused", L"0", L"", false, TransferMode::Native, {}, SIZE_MAX, false, false, BatchEnd::Failed, 0,
         {L"TWCC_NOMEDIA"}, TWCC_NOMEDIA, false},
        {"quit while the dialog waits", L"4", L"", false, TransferMode::Native, {}, SIZE_MAX, false, true, BatchEnd::Quit, 0,
         {L"asked to quit"}, TWCC_SUCCESS, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Open(c.sheets, c.fault);
        ScanJob job = Feeder(c.duplex, 100, ColorMode::Gray);
        job.mode = c.mode;
        job.maxPages = c.maxPages;
        job.refuseEmptyFeeder = c.refuseEmptyFeeder;
        job.showUI = c.quit;
        if (c.quit) ::PostQuitMessage(7);
        RecordingFiles files(false, c.filesFailAt);
        const ScanJobResult result = RunScanJob(*session_, job, files);
        const std::wstring& said = c.refuseEmptyFeeder ? result.refusal : result.batch.reason;
        for (const std::wstring& word : c.words) EXPECT_NE(said.find(word), std::wstring::npos) << "\"" << word << "\" in " << said.size();
        EXPECT_EQ(files.Numbers(), OneTo(c.pages));
        MSG quit{};
        EXPECT_EQ(::PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != 0, c.quit) << "WM_QUIT posted again for the caller";
        session_.reset();
        const std::string log = Log();
        if (c.refuseEmptyFeeder) {
            EXPECT_EQ(log.find("MSG_ENABLEDS"), std::string::npos) << "refused before the batch";
            continue;
        }
        EXPECT_EQ(result.refusal, L"");
        EXPECT_EQ(result.batch.end, c.end);
        EXPECT_EQ(result.batch.pages, c.pages);
        EXPECT_EQ(result.batch.condition, c.condition);
        EXPECT_EQ(log.find("MSG_RESET") != std::string::npos, c.reset);
        const bool enabled = c.condition != TWCC_NOMEDIA;
        EXPECT_EQ(log.find("MSG_DISABLEDS") != std::string::npos, enabled);
        if (enabled) {
            EXPECT_GT(log.rfind("MSG_CLOSEDS"), log.rfind("MSG_DISABLEDS")) << "disabled, then closed";
        }
        for (const SeenPage& page : files.pages) {  // the job's settings: A4 at 100 dpi in grey
            EXPECT_EQ(page.format, imaging::PixelFormat::Gray8);
            EXPECT_NEAR(page.xDpi, 100, 0.5);
            EXPECT_NEAR(page.width, 827, 2);
        }
    }
}
// Scans into real files: one PDF and one TIFF of the whole batch, and the same after a jam.
// Their pages are read back by tools we did not write (read_scanned_files.py) from the directory
// VANTREL_SCANNED_FILES names; the list of page numbers each must hold goes beside them.
TEST_F(EngineEndToEnd, BatchesIntoPdfAndTiffFilesKeepEveryPageAndThePagesBeforeAJam) {
    wchar_t where[MAX_PATH] = {};
    if (!::GetEnvironmentVariableW(L"VANTREL_SCANNED_FILES", where, MAX_PATH)) GTEST_SKIP() << "VANTREL_SCANNED_FILES is not set";
    const std::filesystem::path out(where);
    std::filesystem::create_directories(out);
    std::ofstream expected(out / L"expected.txt");
    const struct {
        const wchar_t* name;
        const wchar_t* fault;
        std::uint16_t pages;
    } cases[] = {{L"batch.pdf", L"", 20}, {L"batch.tif", L"", 20}, {L"jam.pdf", L"jam:7", 6}, {L"jam.tif", L"jam:7", 6}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::filesystem::path(c.name).string());
        Open(L"10", c.fault);
        std::wstring error;
        const auto consumer = imaging::OpenPageFiles((out / c.name).wstring(), imaging::FileOptions{}, error);
        ASSERT_TRUE(consumer) << error.size();
        const ScanJobResult result = RunScanJob(*session_, Feeder(*c.fault == 0, 100, ColorMode::Gray), *consumer);
        ASSERT_TRUE(result.finished);
        EXPECT_EQ(result.batch.pages, c.pages);
        ASSERT_EQ(consumer->Files().size(), 1u);
        EXPECT_EQ(consumer->Files()[0].pages, c.pages);
        expected << std::filesystem::path(c.name).string();
        for (std::uint16_t n = 1; n <= c.pages; ++n) expected << ' ' << n;
        expected << '\n';
        session_.reset();
    }
}

}  // namespace
