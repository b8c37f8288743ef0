// The scan job against the stand-in DSM: the one order of the settings, a refusal with what the
// source allows, each surface's named choices, the page-stored callback and the files finished.
#include "engine/scan_job.h"
#include "tests/fixtures/stand_in_dsm/stand_in_dsm_client.h"
#include "tests/fixtures/stand_in_dsm/stand_in_expectations.h"

#include <gtest/gtest.h>

#include <algorithm>
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

// Image files as the job sees them: each page recorded, a file per page when asked, Finish once.
class RecordingFiles final : public imaging::PageConsumer {
public:
    explicit RecordingFiles(bool filePerPage = false) : filePerPage_(filePerPage) {}

    bool Take(const imaging::PageImage&) override {
        if (finished_) ADD_FAILURE() << "a page after Finish";
        events.push_back(L"take");
        if (filePerPage_) files_.push_back({L"page" + std::to_wstring(files_.size() + 1) + L".png", 1, 1});
        return true;
    }
    bool Finish() override {
        if (finished_) ADD_FAILURE() << "Finish twice";
        finished_ = true;
        events.push_back(L"finish");
        return true;
    }
    const std::wstring& Error() const override { return error_; }
    const std::vector<imaging::StoredFile>& Files() const override { return files_; }

    std::vector<std::wstring> events;

private:
    bool filePerPage_;
    bool finished_ = false;
    std::wstring error_;
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
        ASSERT_EQ(session.OpenSource(L"Office Scanner"), L"");
    }
    void TearDown() override { standin::ExpectOnlyScriptedRequests(dsm); }

    // The next case of a table, on a fresh script and session.
    void Again() {
        session.Close();
        standin::ExpectOnlyScriptedRequests(dsm);
        dsm.Reset();
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
    ASSERT_EQ(result.refusal, L"");
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
    EXPECT_EQ(result.refusal.rfind(L"The source refused ICAP_XRESOLUTION = 600: ", 0), 0u) << result.refusal;
    EXPECT_TRUE(result.refusal.ends_with(L" (allowed: 75 to 300).")) << result.refusal;
    EXPECT_EQ(SetsSoFar(), (std::vector<TW_UINT16>{ICAP_PIXELTYPE, ICAP_BITDEPTH, ICAP_UNITS, ICAP_XRESOLUTION}))
        << "nothing after the refused setting";
    EXPECT_EQ(Count(DAT_USERINTERFACE, MSG_ENABLEDS), 0u);
    EXPECT_TRUE(files.events.empty()) << "no batch, so no files to complete";
}

TEST_F(ScanJobTest, FeederOffIsSentAlwaysOrOnlyWhenTheFeederIsOn) {
    struct Case {
        const char* what;
        FeederOff feederOff;
        std::optional<bool> enabledNow;  // CAP_FEEDERENABLED's current value, none: not reported
        bool sent;
    };
    const Case cases[] = {
        {"always, whatever the source has", FeederOff::Always, std::nullopt, true},
        {"only when on, and it is", FeederOff::OnlyWhenEnabled, true, true},
        {"only when on, and it is off", FeederOff::OnlyWhenEnabled, false, false},
        {"only when on, and no feeder to ask", FeederOff::OnlyWhenEnabled, std::nullopt, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Again();
        dsm.AnswerOneValue(CAP_FEEDERENABLED, MSG_SET, TWTY_BOOL, 0);
        if (c.enabledNow) dsm.AnswerOneValue(CAP_FEEDERENABLED, MSG_GETCURRENT, TWTY_BOOL, *c.enabledNow);
        dsm.AddPage(8, 8, TWPT_GRAY);
        ScanJob job;
        job.settings.feeder = false;
        job.feederOff = c.feederOff;
        job.maxPages = -1;
        RecordingFiles files;
        EXPECT_EQ(Run(job, files).refusal, L"");
        const auto sets = SetsSoFar();
        EXPECT_EQ(std::count(sets.begin(), sets.end(), CAP_FEEDERENABLED), c.sent ? 1 : 0);
    }
}

TEST_F(ScanJobTest, AnEmptyFeederIsRefusedBeforeTheBatchOnlyWhenTheSurfaceAsks) {
    for (bool refuse : {true, false}) {
        SCOPED_TRACE(refuse ? "refused" : "scanned");
        Again();
        Takes(CAP_FEEDERENABLED, TWTY_BOOL);
        dsm.AnswerOneValue(CAP_FEEDERLOADED, MSG_GETCURRENT, TWTY_BOOL, 0);
        dsm.AddPage(8, 8, TWPT_GRAY);
        ScanJob job;
        job.settings.feeder = true;
        job.refuseEmptyFeeder = refuse;
        job.maxPages = -1;
        RecordingFiles files;
        const ScanJobResult result = Run(job, files);
        EXPECT_EQ(result.refusal.find(L"CAP_FEEDERLOADED is FALSE") != std::wstring::npos, refuse) << result.refusal;
        EXPECT_EQ(Count(DAT_CAPABILITY, MSG_GETCURRENT, CAP_FEEDERLOADED), refuse ? 1u : 0u) << "asked only when it counts";
        EXPECT_EQ(Count(DAT_USERINTERFACE, MSG_ENABLEDS), refuse ? 0u : 1u);
    }
}

TEST_F(ScanJobTest, WithoutAPageLimitTheFeederDecidesBetweenEveryPageAndOne) {
    struct Case {
        const char* what;
        std::optional<std::int32_t> maxPages;
        std::optional<bool> feederEnabled;
        std::uint32_t pages;
    };
    const Case cases[] = {
        {"feeder on: all it holds", std::nullopt, true, 3},
        {"feeder off: the flatbed's one page", std::nullopt, false, 1},
        {"no feeder: the flatbed's one page", std::nullopt, std::nullopt, 1},
        {"a limit is kept as given", 2, true, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Again();
        if (c.feederEnabled) dsm.AnswerOneValue(CAP_FEEDERENABLED, MSG_GETCURRENT, TWTY_BOOL, *c.feederEnabled);
        for (int i = 0; i < 3; ++i) dsm.AddPage(8, 8, TWPT_GRAY);
        ScanJob job;
        job.maxPages = c.maxPages;
        RecordingFiles files;
        EXPECT_EQ(Run(job, files).batch.pages, c.pages);
    }
}

TEST_F(ScanJobTest, PagesBeforeAJamAreReportedOnceStoredAndTheFilesAreFinished) {
    struct Case {
        const char* what;
        bool filePerPage;
        std::vector<Stored> stored;
    };
    const Case cases[] = {
        {"one multi-page file: the target", false, {{1, L"doc.pdf"}, {2, L"doc.pdf"}}},
        {"a file per page: the page's own", true, {{1, L"page1.png"}, {2, L"page2.png"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Again();
        stored.clear();
        dsm.AddPage(8, 8, TWPT_GRAY);
        dsm.AddPage(8, 8, TWPT_GRAY);
        dsm.AddPage(8, 8, TWPT_GRAY, 300, TWRC_FAILURE, TWCC_PAPERJAM);
        ScanJob job;
        job.maxPages = -1;
        RecordingFiles files(c.filePerPage);
        const ScanJobResult result = Run(job, files);
        EXPECT_EQ(result.batch.end, BatchEnd::Failed);
        EXPECT_EQ(stored, c.stored);
        EXPECT_EQ(files.events, (std::vector<std::wstring>{L"take", L"take", L"finish"}));
        EXPECT_TRUE(result.finished);
    }
}

}  // namespace
