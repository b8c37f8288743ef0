// The engine end to end: Wine's own DSM and the Vantrel Sample Scanner as a document scanner with a feeder.
#include "engine/capability_client.h"
#include "engine/consumer_sink.h"
#include "imaging/files/page_files.h"
#include "engine/tests/recording_sink.h"
#include "tests/fixtures/scoped_environment.h"
#include "engine/session.h"
#include "engine/settings.h"
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
using enginetest::RecordingSink;

constexpr wchar_t kScanner[] = L"Vantrel Sample Scanner";

class EngineEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        log_ = directory_ / L"scanner.log";
        Set(L"VANTREL_SCANNER_LOG", log_.wstring());
        Set(L"VANTREL_SCANNER_FAULT", L"");
        Set(L"VANTREL_SCANNER_SHEETS", L"");
    }
    void TearDown() override {
        session_.reset();
        environment_.clear();
    }

    void Set(const wchar_t* name, const std::wstring& value) {
        environment_.emplace_back(std::make_unique<fixtures::ScopedEnvironment>(name, value));
    }

    // Opens the scanner with the feeder and the settings of a typical document batch.
    void OpenFeeder(bool duplex, double dpi, ColorMode mode) {
        session_ = std::make_unique<Session>();
        ASSERT_EQ(session_->Open(), L"");
        ASSERT_EQ(session_->OpenSource(kScanner), L"");
        const SourceRef source = session_->Source();
        ASSERT_EQ(SetFeeder(source, true), L"");
        ASSERT_EQ(SetDuplex(source, duplex), L"");
        ASSERT_EQ(SetResolution(source, dpi), L"");
        ASSERT_EQ(SetColorMode(source, mode), L"");
        ASSERT_EQ(SetPaperSize(source, *FindPaperSize(std::string_view("A4"))), L"");
    }

    BatchResult Scan(RecordingSink& sink, TransferMode mode = TransferMode::Native, std::int32_t maxPages = -1) {
        BatchOptions options;
        options.enable.ShowUI = 0;
        options.enable.hParent = static_cast<TW_HANDLE>(reinterpret_cast<std::uintptr_t>(session_->owner()));
        options.disable = options.enable;
        options.mode = mode;
        options.maxPages = maxPages;
        return session_->Scan(options, sink);
    }

    std::string Log() const {
        std::ifstream in(log_);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    fixtures::TestDirectory directory_{L"engine-e2e"};
    std::filesystem::path log_;
    std::vector<std::unique_ptr<fixtures::ScopedEnvironment>> environment_;
    std::unique_ptr<Session> session_;
};

TEST_F(EngineEndToEnd, ListsTheScannerAndOpensItByName) {
    Session session;
    ASSERT_EQ(session.Open(), L"");
    bool found = false;
    for (const SourceInfo& source : session.Sources()) found = found || source.productName == kScanner;
    EXPECT_TRUE(found);
    EXPECT_EQ(session.OpenSource(L"vantrel sample SCANNER"), L"") << "names match without regard to case";
    EXPECT_TRUE(session.sourceOpen());
    const std::wstring unknown = session.OpenSource(L"No Such Scanner");
    EXPECT_NE(unknown.find(L"No Such Scanner"), std::wstring::npos);
    EXPECT_NE(unknown.find(kScanner), std::wstring::npos) << "the error lists the sources there are";
}

TEST_F(EngineEndToEnd, TenDuplexSheetsGiveTwentyPagesInOrderByNativeAndByMemoryTransfer) {
    Set(L"VANTREL_SCANNER_SHEETS", L"10");
    for (const TransferMode mode : {TransferMode::Native, TransferMode::Memory}) {
        OpenFeeder(true, 300, ColorMode::Gray);
        RecordingSink sink;
        const BatchResult result = Scan(sink, mode);
        EXPECT_EQ(result.end, BatchEnd::Done) << result.reason.size();
        EXPECT_EQ(result.pages, 20u);
        EXPECT_EQ(sink.Numbers(), OneTo(20)) << (mode == TransferMode::Native ? "native" : "memory");
        for (const auto& page : sink.pages) {
            EXPECT_EQ(page.format, imaging::PixelFormat::Gray8);
            EXPECT_NEAR(page.xDpi, 300, 0.5);
            EXPECT_EQ(page.native, mode == TransferMode::Native);
        }
        session_.reset();
    }
}

TEST_F(EngineEndToEnd, SettingsReadBackAreTheOnesThePagesShow) {
    Set(L"VANTREL_SCANNER_SHEETS", L"1");
    OpenFeeder(false, 300, ColorMode::Gray);
    const SourceRef source = session_->Source();
    const auto resolution = QueryCapability(source, ICAP_XRESOLUTION, MSG_GETCURRENT);
    ASSERT_TRUE(resolution.ok() && resolution.container);
    EXPECT_EQ(CurrentItem(*resolution.container), capability::Item{300.0});
    const auto pixelType = QueryCapability(source, ICAP_PIXELTYPE, MSG_GETCURRENT);
    ASSERT_TRUE(pixelType.ok() && pixelType.container);
    EXPECT_EQ(CurrentItem(*pixelType.container), capability::Item{std::int64_t{TWPT_GRAY}});

    RecordingSink sink;
    Scan(sink);
    ASSERT_EQ(sink.pages.size(), 1u);
    EXPECT_EQ(sink.pages[0].format, imaging::PixelFormat::Gray8);
    EXPECT_NEAR(sink.pages[0].xDpi, 300, 0.5);
    // A4 at 300 dpi.
    EXPECT_NEAR(sink.pages[0].width, 2480, 2);
    EXPECT_NEAR(sink.pages[0].height, 3508, 2);
}

TEST_F(EngineEndToEnd, APaperSizeTheSourceCannotScanIsAnErrorNotASmallerPage) {
    Set(L"VANTREL_SCANNER_SHEETS", L"1");
    OpenFeeder(false, 100, ColorMode::Gray);
    // Not among the scanner's sizes, and larger than its glass: the frame it sets instead is smaller.
    const std::wstring error = SetPaperSize(session_->Source(), *FindPaperSize(std::string_view("Ledger")));
    EXPECT_NE(error.find(L"cannot scan the paper size Ledger"), std::wstring::npos);
    EXPECT_NE(error.find(L"8.50 x 14.00"), std::wstring::npos) << "it says what the source took instead";
    EXPECT_EQ(SetPaperSize(session_->Source(), *FindPaperSize(std::string_view("Letter"))), L"");
}

TEST_F(EngineEndToEnd, AJamAtPageSevenDeliversSixPagesAndNamesTheJam) {
    Set(L"VANTREL_SCANNER_SHEETS", L"10");
    Set(L"VANTREL_SCANNER_FAULT", L"jam:7");
    OpenFeeder(false, 100, ColorMode::Gray);
    RecordingSink sink;
    const BatchResult result = Scan(sink);
    EXPECT_EQ(result.end, BatchEnd::Failed);
    EXPECT_EQ(sink.Numbers(), OneTo(6));
    EXPECT_EQ(result.condition, TWCC_PAPERJAM);
    EXPECT_NE(result.reason.find(L"TWCC_PAPERJAM"), std::wstring::npos);
    EXPECT_NE(result.reason.find(L"page 7"), std::wstring::npos);
}

TEST_F(EngineEndToEnd, AnEmptyFeederGivesAReasonAndNoPage) {
    Set(L"VANTREL_SCANNER_SHEETS", L"0");
    session_ = std::make_unique<Session>();
    ASSERT_EQ(session_->Open(), L"");
    ASSERT_EQ(session_->OpenSource(kScanner), L"");
    ASSERT_EQ(SetFeeder(session_->Source(), true), L"");
    EXPECT_EQ(FeederLoaded(session_->Source()), std::optional<bool>(false));
    RecordingSink sink;
    const BatchResult result = Scan(sink);
    EXPECT_EQ(result.pages, 0u);
    EXPECT_TRUE(sink.pages.empty());
    EXPECT_NE(result.end, BatchEnd::Done);
    EXPECT_FALSE(result.reason.empty());
}

TEST_F(EngineEndToEnd, ALimitOfThreeGivesThreeAndTheSourceEndsClosed) {
    Set(L"VANTREL_SCANNER_SHEETS", L"10");
    OpenFeeder(false, 100, ColorMode::BlackWhite);
    RecordingSink sink;
    const BatchResult result = Scan(sink, TransferMode::Native, 3);
    EXPECT_EQ(result.end, BatchEnd::LimitReached);
    EXPECT_EQ(sink.Numbers(), OneTo(3));
    session_->CloseSource();
    EXPECT_FALSE(session_->sourceOpen());
    session_.reset();
    const std::string log = Log();
    EXPECT_NE(log.find("MSG_RESET"), std::string::npos) << "the pages left were reset";
    EXPECT_NE(log.rfind("MSG_CLOSEDS"), std::string::npos);
    EXPECT_GT(log.rfind("MSG_CLOSEDS"), log.rfind("MSG_DISABLEDS")) << "disabled, then closed";
}

TEST_F(EngineEndToEnd, ACancelAtPageFourKeepsTheThreeBefore) {
    Set(L"VANTREL_SCANNER_SHEETS", L"10");
    Set(L"VANTREL_SCANNER_FAULT", L"cancel:4");
    OpenFeeder(false, 100, ColorMode::Color);
    RecordingSink sink;
    const BatchResult result = Scan(sink, TransferMode::Memory);
    EXPECT_EQ(result.end, BatchEnd::Cancelled);
    EXPECT_EQ(sink.Numbers(), OneTo(3));
}

TEST_F(EngineEndToEnd, ASinkThatFailsEndsTheBatchAndTheSourceIsLeftUsable) {
    Set(L"VANTREL_SCANNER_SHEETS", L"5");
    OpenFeeder(false, 100, ColorMode::Gray);
    RecordingSink failing(2);
    const BatchResult failed = Scan(failing);
    EXPECT_EQ(failed.end, BatchEnd::Failed);
    EXPECT_EQ(failing.pages.size(), 2u);
    EXPECT_NE(failed.reason.find(L"disk is full"), std::wstring::npos);
    // The remaining sheets were reset; the source takes the next batch.
    RecordingSink next;
    const BatchResult again = Scan(next);
    EXPECT_EQ(again.end, BatchEnd::Done) << "the sheets left in the feeder scan as the next batch";
    EXPECT_FALSE(next.pages.empty());
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
        Set(L"VANTREL_SCANNER_SHEETS", L"10");
        Set(L"VANTREL_SCANNER_FAULT", c.fault);
        OpenFeeder(*c.fault == 0, 100, ColorMode::Gray);
        std::wstring error;
        const auto consumer = imaging::OpenPageFiles((out / c.name).wstring(), imaging::FileOptions{}, error);
        ASSERT_TRUE(consumer) << error.size();
        ConsumerSink sink(session_->Source().link, *consumer);
        BatchOptions options;
        options.enable.hParent = static_cast<TW_HANDLE>(reinterpret_cast<std::uintptr_t>(session_->owner()));
        options.disable = options.enable;
        const BatchResult result = session_->Scan(options, sink);
        EXPECT_EQ(result.pages, c.pages);
        EXPECT_EQ(result.end, *c.fault ? BatchEnd::Failed : BatchEnd::Done);
        ASSERT_TRUE(consumer->Finish());
        ASSERT_EQ(consumer->Files().size(), 1u);
        EXPECT_EQ(consumer->Files()[0].pages, c.pages);
        expected << std::filesystem::path(c.name).string();
        for (std::uint16_t n = 1; n <= c.pages; ++n) expected << ' ' << n;
        expected << '\n';
        session_.reset();
    }
}

}  // namespace
