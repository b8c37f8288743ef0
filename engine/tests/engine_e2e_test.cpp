// The engine end to end: Wine's own DSM and the Vantrel Sample Scanner as a document scanner with
// a feeder, through the scan job both batch surfaces call, into real files.
#include "engine/scan_job.h"
#include "engine/settings.h"
#include "imaging/files/page_files.h"
#include "tests/fixtures/scoped_environment.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
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

    // A fresh session on the scanner, with `sheets` in its feeder and `fault` injected.
    void Open(const wchar_t* sheets, const wchar_t* fault = L"") {
        environment_.emplace_back(std::make_unique<fixtures::ScopedEnvironment>(L"VANTREL_SCANNER_SHEETS", sheets));
        environment_.emplace_back(std::make_unique<fixtures::ScopedEnvironment>(L"VANTREL_SCANNER_FAULT", fault));
        session_ = std::make_unique<Session>();
        ASSERT_EQ(session_->Open(), L"");
        ASSERT_EQ(session_->OpenSource(L"Vantrel Sample Scanner"), L"");
    }

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

// Ten duplex sheets by each transfer, and the pages before a jam, scanned into real files. Their
// pages are read back by tools we did not write (read_scanned_files.py) from the directory
// VANTREL_SCANNED_FILES names; the list of page numbers each must hold goes beside them. How every
// other end of a batch goes is the scan job's table (scan_job_test.cpp).
TEST_F(EngineEndToEnd, BatchesIntoPdfAndTiffFilesKeepEveryPageAndThePagesBeforeAJam) {
    wchar_t where[MAX_PATH] = {};
    if (!::GetEnvironmentVariableW(L"VANTREL_SCANNED_FILES", where, MAX_PATH)) GTEST_SKIP() << "VANTREL_SCANNED_FILES is not set";
    const std::filesystem::path out(where);
    std::filesystem::create_directories(out);
    std::ofstream expected(out / L"expected.txt");
    const struct {
        const wchar_t* name;
        const wchar_t* fault;
        TransferMode mode;
        BatchEnd end;
        std::uint16_t pages;
    } cases[] = {{L"batch.pdf", L"", TransferMode::Native, BatchEnd::Done, 20},
                 {L"memory.tif", L"", TransferMode::Memory, BatchEnd::Done, 20},
                 {L"jam.pdf", L"jam:7", TransferMode::Native, BatchEnd::Failed, 6}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::filesystem::path(c.name).string());
        Open(L"10", c.fault);
        std::wstring error;
        const auto consumer = imaging::OpenPageFiles((out / c.name).wstring(), imaging::FileOptions{}, error);
        ASSERT_TRUE(consumer) << error.size();
        ScanJob job;
        job.settings.feeder = true;
        job.settings.duplex = *c.fault == 0;
        job.settings.resolution = 100;
        job.settings.colorMode = ColorMode::Gray;
        job.mode = c.mode;
        const ScanJobResult result = RunScanJob(*session_, job, *consumer);
        ASSERT_TRUE(result.finished);
        EXPECT_EQ(result.batch.end, c.end);
        EXPECT_EQ(result.batch.pages, c.pages);
        expected << std::filesystem::path(c.name).string();
        for (std::uint16_t n = 1; n <= c.pages; ++n) expected << ' ' << n;
        expected << '\n';
        session_.reset();
    }
}

}  // namespace
