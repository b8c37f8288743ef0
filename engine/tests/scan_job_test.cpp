// The scan job against the stand-in DSM: the one order of the settings, a refusal with what the
// source allows, each surface's named choices, every way a batch ends, the page-stored callback
// and the files finished.
#include "engine/scan_job.h"
#include "tests/fixtures/stand_in_dsm/stand_in_dsm_client.h"
#include "tests/fixtures/stand_in_dsm/stand_in_expectations.h"
#include "win32/win32_owners.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <string>
#include <vector>

namespace {

using namespace vantrel;
using namespace vantrel::twain;
using engine::BatchEnd;
using engine::FeederOff;
using engine::ScanJob;
using engine::ScanJobResult;
using engine::TransferMode;

// Image files as the job sees them: each page's width kept, a file per page when asked, a full disk
// after `failAt` pages, Finish once.
class RecordingFiles final : public imaging::PageConsumer {
public:
    explicit RecordingFiles(bool filePerPage = false, std::size_t failAt = SIZE_MAX) : filePerPage_(filePerPage), failAt_(failAt) {}

    bool Take(const imaging::PageImage& page) override {
        if (finished) ADD_FAILURE() << "a page after Finish";
        if (widths.size() >= failAt_) return false;
        widths.push_back(page.width);
        if (filePerPage_) files_.push_back({L"page" + std::to_wstring(widths.size()) + L".png", 1, 1});
        return true;
    }
    bool Finish() override {
        if (finished) ADD_FAILURE() << "Finish twice";
        finished = true;
        return true;
    }
    const std::wstring& Error() const override { return error_; }
    const std::vector<imaging::StoredFile>& Files() const override { return files_; }

    std::vector<std::uint32_t> widths;
    bool finished = false;

private:
    bool filePerPage_;
    std::size_t failAt_;
    const std::wstring error_ = L"Cannot write \"doc.pdf\": the disk is full.";
    std::vector<imaging::StoredFile> files_;
};

struct Stored {
    long page;
    std::wstring path;
    bool operator==(const Stored&) const = default;
};

class ScanJobTest : public ::testing::Test {
protected:
    void SetUp() override {
        dsm.EnableTwain2();
        dsm.AddSource("Office Scanner", true, true);
        ASSERT_EQ(session.Open(), L"");
        ASSERT_EQ(session.OpenSource(L"Office Scanner"), std::nullopt);
    }
    void TearDown() override {
        session.Close();
        standin::ExpectOnlyScriptedRequests(dsm);
        EXPECT_EQ(dsm.Memory().outstanding, 0) << "every block of the DSM's memory was given back";
    }

    // The next case of a table, on a fresh script and session.
    void Again() {
        TearDown();
        dsm.Reset();
        stored.clear();
        SetUp();
    }

    // A setting the source takes and then reports as current.
    void Takes(TW_UINT16 cap, TW_UINT16 itemType) {
        dsm.AnswerOneValue(cap, MSG_SET, itemType, 0);
        dsm.AnswerOneValue(cap, MSG_GETCURRENT, itemType, 0);
    }

    ScanJobResult Run(ScanJob job, RecordingFiles& files) {
        job.target = L"doc.pdf";
        job.pageStored = [this](long page, const std::wstring& path, const imaging::PageImage&) { stored.push_back({page, path}); };
        return engine::RunScanJob(session, job, files);
    }

    // The capabilities of every MSG_SET so far, in order.
    std::vector<TW_UINT16> SetsSoFar() const {
        std::vector<TW_UINT16> caps;
        for (const standin::Call& call : dsm.Calls()) {
            if (call.dat != DAT_CAPABILITY || call.msg != MSG_SET) continue;
            caps.push_back(reinterpret_cast<const TW_CAPABILITY*>(call.data)->Cap);
        }
        return caps;
    }
    std::size_t Count(TW_UINT16 dat, TW_UINT16 msg, std::optional<TW_UINT16> cap = std::nullopt) const {
        std::size_t n = 0;
        for (const standin::Call& call : dsm.Calls()) {
            if (call.dat != dat || call.msg != msg) continue;
            n += !cap || reinterpret_cast<const TW_CAPABILITY*>(call.data)->Cap == *cap;
        }
        return n;
    }

    standin::StandInDsm dsm;
    engine::Session session;
    std::vector<Stored> stored;
};

TEST_F(ScanJobTest, SettingsReachTheSourceInOneOrderWithTheColourModeBeforeTheResolution) {
    for (TW_UINT16 cap : {CAP_FEEDERENABLED, CAP_DUPLEXENABLED}) Takes(cap, TWTY_BOOL);
    for (TW_UINT16 cap : {ICAP_PIXELTYPE, ICAP_SUPPORTEDSIZES}) Takes(cap, TWTY_UINT16);
    for (TW_UINT16 cap : {ICAP_XRESOLUTION, ICAP_YRESOLUTION, ICAP_CONTRAST, ICAP_BRIGHTNESS}) Takes(cap, TWTY_FIX32);
    dsm.AddPage(8, 8, TWPT_GRAY);
    ScanJob job;
    job.settings.feeder = true;
    job.settings.duplex = true;
    job.settings.resolution = 300;
    job.settings.colorMode = engine::ColorMode::Gray;
    job.settings.paperSize = engine::FindPaperSize("A4");
    // Raw capabilities in the order the client gave them, not by number.
    job.settings.SetCapability(ICAP_CONTRAST, capability::OneValue{capability::ItemType::Fix32, 10.0});
    job.settings.SetCapability(ICAP_BRIGHTNESS, capability::OneValue{capability::ItemType::Fix32, 20.0});
    job.maxPages = -1;
    RecordingFiles files;
    const ScanJobResult result = Run(job, files);
    ASSERT_EQ(result.refusal, std::nullopt);
    const std::vector<TW_UINT16> expected = {
        CAP_FEEDERENABLED, CAP_AUTOFEED,    CAP_DUPLEXENABLED,   ICAP_PIXELTYPE,      ICAP_BITDEPTH,
        ICAP_UNITS,        ICAP_XRESOLUTION, ICAP_YRESOLUTION,   ICAP_SUPPORTEDSIZES, ICAP_SUPPORTEDSIZES,
        ICAP_CONTRAST,     ICAP_BRIGHTNESS,  ICAP_XFERMECH,  // the batch's own, after every setting
    };
    EXPECT_EQ(SetsSoFar(), expected);
    EXPECT_EQ(result.batch.end, BatchEnd::Done);
}

TEST_F(ScanJobTest, ARefusalEndsTheJobBeforeTheBatchAndSaysWhatTheSourceAllows) {
    Takes(ICAP_PIXELTYPE, TWTY_UINT16);
    dsm.FailCapability(ICAP_XRESOLUTION, MSG_SET, TWCC_BADVALUE);
    dsm.AnswerOneValue(ICAP_XRESOLUTION, MSG_GETCURRENT, TWTY_FIX32, 300);  // read back: not what was asked
    // TW_RANGE of TW_FIX32: 75 to 300 in steps of 1, default and current 300.
    std::vector<std::uint8_t> range(2 + 5 * 4);
    const TW_UINT16 fix32 = TWTY_FIX32;
    std::memcpy(range.data(), &fix32, 2);
    const TW_UINT32 wholes[] = {75, 300, 1, 300, 300};  // Whole in the low half, Frac 0
    std::memcpy(range.data() + 2, wholes, sizeof wholes);
    dsm.AnswerCapability(ICAP_XRESOLUTION, MSG_GET, TWON_RANGE, range.data(), range.size());
    ScanJob job;
    job.settings.colorMode = engine::ColorMode::Color;
    job.settings.resolution = 600;
    job.settings.paperSize = engine::FindPaperSize("A4");
    RecordingFiles files;
    const ScanJobResult result = Run(job, files);
    ASSERT_TRUE(result.refusal);
    const std::wstring& message = result.refusal->message;
    EXPECT_EQ(message.rfind(L"The source refused ICAP_XRESOLUTION = 600: ", 0), 0u) << message;
    EXPECT_TRUE(message.ends_with(L" (allowed: 75 to 300).")) << message;
    EXPECT_EQ(result.refusal->what, L"ICAP_XRESOLUTION");
    EXPECT_EQ(result.refusal->condition, TWCC_BADVALUE);
    EXPECT_EQ(SetsSoFar(), (std::vector<TW_UINT16>{ICAP_PIXELTYPE, ICAP_BITDEPTH, ICAP_UNITS, ICAP_XRESOLUTION}))
        << "nothing after the refused setting";
    EXPECT_EQ(Count(DAT_USERINTERFACE, MSG_ENABLEDS), 0u);
    EXPECT_FALSE(files.finished) << "no batch, so no files to complete";
}

// The feeder's state decides whether "feeder off" is sent and, without a page limit, how many pages.
TEST_F(ScanJobTest, TheFeedersStateDecidesFeederOffAndThePagesWithoutALimit) {
    struct Case {
        const char* what;
        std::optional<bool> feeder;  // the job's setting
        FeederOff feederOff;
        std::optional<bool> enabledNow;  // CAP_FEEDERENABLED's current value, none: not reported
        std::optional<std::int32_t> maxPages;
        std::size_t feederSets;  // MSG_SET of CAP_FEEDERENABLED
        std::uint32_t pages;
    };
    const Case cases[] = {
        {"off always, whatever the source has", false, FeederOff::Always, std::nullopt, -1, 1, 3},
        {"off only when on, and it is", false, FeederOff::OnlyWhenEnabled, true, -1, 1, 3},
        {"off only when on, and it is off", false, FeederOff::OnlyWhenEnabled, false, -1, 0, 3},
        {"off only when on, and no feeder to ask", false, FeederOff::OnlyWhenEnabled, std::nullopt, -1, 0, 3},
        {"no limit, feeder on: all it holds", std::nullopt, FeederOff::Always, true, std::nullopt, 0, 3},
        {"no limit, feeder off: the flatbed's one page", std::nullopt, FeederOff::Always, false, std::nullopt, 0, 1},
        {"no limit, no feeder: the flatbed's one page", std::nullopt, FeederOff::Always, std::nullopt, std::nullopt, 0, 1},
        {"a limit is kept as given", std::nullopt, FeederOff::Always, true, 2, 0, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Again();
        if (c.feeder) dsm.AnswerOneValue(CAP_FEEDERENABLED, MSG_SET, TWTY_BOOL, 0);
        if (c.enabledNow) dsm.AnswerOneValue(CAP_FEEDERENABLED, MSG_GETCURRENT, TWTY_BOOL, *c.enabledNow);
        for (int i = 0; i < 3; ++i) dsm.AddPage(8, 8, TWPT_GRAY);
        ScanJob job;
        job.settings.feeder = c.feeder;
        job.feederOff = c.feederOff;
        job.maxPages = c.maxPages;
        RecordingFiles files;
        const ScanJobResult result = Run(job, files);
        EXPECT_EQ(result.refusal, std::nullopt);
        EXPECT_EQ(result.batch.pages, c.pages);
        EXPECT_EQ(Count(DAT_CAPABILITY, MSG_SET, CAP_FEEDERENABLED), c.feederSets);
    }
}

// Every way a batch ends, from one table: what the job says, the pages stored before the end, the
// pending transfers reset so the source can be disabled, and the source left open and disabled.
TEST_F(ScanJobTest, EveryWayABatchEndsKeepsThePagesBeforeAndLeavesTheSourceDisabled) {
    // Five pages 11 to 15 pixels wide, page `at` (from 1) ending with `rc` and `condition`.
    const auto five = [](int at = 0, TW_UINT16 rc = standin::kPageDone, TW_UINT16 condition = TWCC_SUCCESS) {
        return [=](standin::StandInDsm& d) {
            for (int i = 1; i <= 5; ++i) d.AddPage(10 + i, 4, TWPT_RGB, 300, i == at ? rc : standin::kPageDone, i == at ? condition : TWCC_SUCCESS);
            d.StatusText("Paper jam in the feeder");
        };
    };
    struct Case {
        const char* what;
        std::function<void(standin::StandInDsm&)> script;
        TransferMode mode;
        std::int32_t maxPages;
        std::size_t filesFailAt;
        std::optional<bool> refuseEmptyFeeder;  // set: the feeder is asked for and is empty
        bool quit;                              // WM_QUIT arrives while the source is silent
        BatchEnd end;
        std::vector<std::uint32_t> widths;      // of the pages stored, in order
        std::vector<std::wstring> words;        // in the reason, or in the refusal
        TW_UINT16 condition;
        std::size_t resets;                     // DAT_PENDINGXFERS MSG_RESET
    };
    const std::vector<std::uint32_t> all = {11, 12, 13, 14, 15};
    const Case cases[] = {
        {"every page, memory", five(), TransferMode::Memory, -1, SIZE_MAX, {}, false, BatchEnd::Done, all, {}, TWCC_SUCCESS, 0},
        {"jam at page 2", five(2, TWRC_FAILURE, TWCC_PAPERJAM), TransferMode::Native, -1, SIZE_MAX, {}, false, BatchEnd::Failed,
         {11}, {L"page 2", L"TWCC_PAPERJAM", L"Paper jam in the feeder"}, TWCC_PAPERJAM, 1},
        {"double feed mid-page 3, memory", five(3, TWRC_FAILURE, TWCC_PAPERDOUBLEFEED), TransferMode::Memory, -1, SIZE_MAX, {},
         false, BatchEnd::Failed, {11, 12}, {L"page 3", L"TWCC_PAPERDOUBLEFEED"}, TWCC_PAPERDOUBLEFEED, 1},
        {"cancel at page 2, native", five(2, TWRC_CANCEL), TransferMode::Native, -1, SIZE_MAX, {}, false, BatchEnd::Cancelled,
         {11}, {L"cancelled at page 2"}, TWCC_SUCCESS, 1},
        {"cancel mid-page 2, memory", five(2, TWRC_CANCEL), TransferMode::Memory, -1, SIZE_MAX, {}, false, BatchEnd::Cancelled,
         {11}, {L"cancelled at page 2"}, TWCC_SUCCESS, 1},
        {"close request before any page", [](standin::StandInDsm& d) { d.AddCloseRequest(); }, TransferMode::Native, -1, SIZE_MAX,
         {}, false, BatchEnd::ClosedBySource, {}, {L"closed"}, TWCC_SUCCESS, 0},
        {"pages not counted, no paper at page 3",
         [&](standin::StandInDsm& d) { five(3, TWRC_FAILURE, TWCC_NOMEDIA)(d), d.script().countUnknown = 1; }, TransferMode::Native,
         -1, SIZE_MAX, {}, false, BatchEnd::Done, {11, 12}, {}, TWCC_SUCCESS, 1},
        {"limit 2 of 5", five(), TransferMode::Native, 2, SIZE_MAX, {}, false, BatchEnd::LimitReached, {11, 12}, {}, TWCC_SUCCESS, 1},
        {"full disk at page 3, memory", five(), TransferMode::Memory, -1, 2, {}, false, BatchEnd::Failed, {11, 12},
         {L"disk is full"}, TWCC_SUCCESS, 1},
        {"full disk at page 3, native", five(), TransferMode::Native, -1, 2, {}, false, BatchEnd::Failed, {11, 12},
         {L"disk is full"}, TWCC_SUCCESS, 1},
        {"quit while waiting", [](standin::StandInDsm& d) { d.script().silentEnable = 1; }, TransferMode::Native, -1, SIZE_MAX, {},
         true, BatchEnd::Quit, {}, {L"asked to quit"}, TWCC_SUCCESS, 0},
        {"empty feeder, refused", five(), TransferMode::Native, -1, SIZE_MAX, true, false, BatchEnd::Failed, {},
         {L"CAP_FEEDERLOADED is FALSE"}, TWCC_SUCCESS, 0},
        {"empty feeder, not asked", five(), TransferMode::Native, -1, SIZE_MAX, false, false, BatchEnd::Done, all, {}, TWCC_SUCCESS, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Again();
        c.script(dsm);
        dsm.AnswerOneValue(ICAP_XFERMECH, MSG_SET, TWTY_UINT16, 0);
        ScanJob job;
        job.mode = c.mode;
        job.maxPages = c.maxPages;
        if (c.refuseEmptyFeeder) {
            Takes(CAP_FEEDERENABLED, TWTY_BOOL);
            dsm.AnswerOneValue(CAP_FEEDERLOADED, MSG_GETCURRENT, TWTY_BOOL, 0);
            job.settings.feeder = true;
            job.refuseEmptyFeeder = *c.refuseEmptyFeeder;
        }
        if (c.quit) ::PostQuitMessage(7);
        RecordingFiles files(false, c.filesFailAt);
        const ScanJobResult result = Run(job, files);
        const bool refused = c.refuseEmptyFeeder.value_or(false);
        const std::wstring said = refused ? result.refusal.value_or(engine::Failure{}).message : result.batch.reason;
        for (const std::wstring& word : c.words) EXPECT_NE(said.find(word), std::wstring::npos) << "\"" << word << "\" in " << said;
        EXPECT_EQ(Count(DAT_CAPABILITY, MSG_GETCURRENT, CAP_FEEDERLOADED), refused ? 1u : 0u) << "asked only when it counts";
        EXPECT_EQ(files.widths, c.widths);
        EXPECT_EQ(stored.size(), c.widths.size()) << "each stored page reported once";
        MSG quit{};
        EXPECT_EQ(::PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != 0, c.quit) << "WM_QUIT posted again for the caller";
        if (c.quit) {
            EXPECT_EQ(quit.wParam, 7u);
        }
        if (refused) {
            EXPECT_EQ(Count(DAT_USERINTERFACE, MSG_ENABLEDS), 0u);
            EXPECT_FALSE(files.finished);
            continue;
        }
        EXPECT_EQ(result.refusal, std::nullopt);
        EXPECT_EQ(result.batch.end, c.end);
        EXPECT_EQ(result.batch.pages, c.widths.size());
        EXPECT_EQ(result.batch.condition, c.condition);
        EXPECT_EQ(result.batch.reason.empty(), c.words.empty()) << result.batch.reason;
        EXPECT_EQ(Count(DAT_PENDINGXFERS, MSG_RESET), c.resets);
        EXPECT_EQ(dsm.session().state, 4) << "open and disabled, whatever ended the batch";
        EXPECT_TRUE(files.finished && result.finished) << "the pages before the end are kept";
    }
}

// A source that never signals: the wait ends after the time asked for, with or without its dialog,
// or, where its dialog waits without a limit, when the caller stops the scan (WM_QUIT is the table
// above's); either way the source is disabled (nothing pending to reset in state 5) and left open.
engine::Session* g_stopped = nullptr;
void CALLBACK StopTheScan(HWND, UINT, UINT_PTR, DWORD) { g_stopped->Stop(); }

TEST_F(ScanJobTest, AWaitForASilentSourceEndsAfterItsTimeoutOrWhenTheCallerStops) {
    using std::chrono::milliseconds;
    const struct {
        const char* what;
        bool showUI;
        std::optional<milliseconds> timeout;  // none: the default, no limit with the dialog
        BatchEnd end;
        const wchar_t* reason;  // how it begins
    } cases[] = {
        {"without its dialog, whole seconds", false, milliseconds{1000}, BatchEnd::TimedOut, L"The source sent no page within 1 s. "},
        {"with its dialog, the caller's limit", true, milliseconds{700}, BatchEnd::TimedOut, L"The source sent no page within 700 ms. "},
        {"its dialog stuck, stopped by the caller", true, std::nullopt, BatchEnd::Stopped, L"The scan was stopped."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Again();
        dsm.script().silentEnable = 1;
        dsm.AnswerOneValue(ICAP_XFERMECH, MSG_SET, TWTY_UINT16, 0);
        ScanJob job;
        job.showUI = c.showUI;
        job.pageTimeout = c.timeout;
        g_stopped = &session;
        vantrel::UniqueThreadTimer stop(c.timeout ? 0 : ::SetTimer(nullptr, 0, 300, &StopTheScan));
        RecordingFiles files;
        const auto began = std::chrono::steady_clock::now();
        const ScanJobResult result = Run(job, files);
        const auto waited = std::chrono::duration_cast<milliseconds>(std::chrono::steady_clock::now() - began);
        EXPECT_EQ(result.batch.end, c.end);
        EXPECT_EQ(result.batch.reason.rfind(c.reason, 0), 0u) << result.batch.reason;
        EXPECT_GE(waited.count(), c.timeout.value_or(milliseconds{0}).count() - 50) << "not before the time asked for";
        EXPECT_LT(waited.count(), 60000) << "not for ever";
        EXPECT_EQ(Count(DAT_USERINTERFACE, MSG_DISABLEDS), 1u);
        EXPECT_EQ(dsm.session().state, 4);
        EXPECT_TRUE(files.finished);
    }
}

TEST_F(ScanJobTest, EachStoredPageIsReportedWithItsOwnFileOrTheTarget) {
    for (const bool filePerPage : {false, true}) {
        SCOPED_TRACE(filePerPage ? "a file per page" : "one multi-page file");
        Again();
        dsm.AddPage(8, 8, TWPT_GRAY);
        dsm.AddPage(8, 8, TWPT_GRAY);
        ScanJob job;
        job.maxPages = -1;
        RecordingFiles files(filePerPage);
        Run(job, files);
        const std::vector<Stored> expected = filePerPage ? std::vector<Stored>{{1, L"page1.png"}, {2, L"page2.png"}}
                                                         : std::vector<Stored>{{1, L"doc.pdf"}, {2, L"doc.pdf"}};
        EXPECT_EQ(stored, expected);
    }
}

}  // namespace
