// The engine against the stand-in DSM: TWAIN 2 negotiation and memory, sources, every container,
// settings refused or changed, every pixel by native and by memory transfer, notices, a nested
// scan and a stop. How a batch ends is the scan job's table (scan_job_test.cpp).
#include "engine/capability_client.h"
#include "twain/capability/container_codec.h"
#include "imaging/bmp/dib_page.h"
#include "engine/session.h"
#include "engine/settings.h"
#include "tests/fixtures/stand_in_dsm/stand_in_dsm_client.h"
#include "tests/fixtures/stand_in_dsm/stand_in_expectations.h"
#include "tests/fixtures/stand_in_dsm/stand_in_pixels.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <vector>

namespace {

using namespace vantrel;
using namespace vantrel::twain;
using engine::BatchEnd;
using engine::BatchResult;
using engine::TransferMode;

// Checks every pixel of every page against the stand-in's pixel function, in the order they come.
class PixelCheckingSink final : public engine::PageSink {
public:
    bool TakeNative(DsmBlock& dib) override { return TakeNativeWithProfile(dib, {}); }
    bool TakeNativeWithProfile(DsmBlock& dib, std::span<const std::uint8_t> profile) override {
        const HGLOBAL block = reinterpret_cast<HGLOBAL>(static_cast<std::uintptr_t>(dib.get()));
        vantrel::GlobalLock<std::uint8_t> bytes(block);
        if (!bytes) return Refuse(L"no lock");
        const auto page = imaging::PageFromDib(std::span<const std::uint8_t>(bytes.get(), ::GlobalSize(block)));
        if (!page) return Refuse(L"not a DIB");
        imaging::PageImage view = page->View();
        view.iccProfile = profile;
        return TakePage(view);
    }
    bool TakePage(const imaging::PageImage& page) override {
        if (onPage) onPage();
        const std::uint32_t index = pages++;
        widths.push_back(page.width);
        profiles.emplace_back(page.iccProfile.begin(), page.iccProfile.end());
        for (std::uint32_t y = 0; y < page.height; ++y) {
            const auto row = page.Row(y);
            for (std::uint32_t x = 0; x < page.width; ++x) {
                bool same = true;
                switch (page.format) {
                case imaging::PixelFormat::BlackWhite1:
                    same = (((row[x / 8] >> (7 - x % 8)) & 1) == 1) == standin::PageBlack(index, x, y);
                    break;
                case imaging::PixelFormat::Gray8: same = row[x] == standin::PageSample(index, x, y); break;
                case imaging::PixelFormat::Rgb24:
                    for (std::uint32_t c = 0; c < 3; ++c) same = same && row[x * 3 + c] == standin::PageSample(index, x, y, c);
                    break;
                }
                if (!same) {
                    ADD_FAILURE() << "page " << index << " pixel " << x << "," << y;
                    return true;
                }
            }
        }
        return true;
    }
    std::wstring Failure() const override { return failure_; }

    std::uint32_t pages = 0;
    std::vector<std::uint32_t> widths;
    std::vector<std::vector<std::uint8_t>> profiles;
    std::function<void()> onPage;

private:
    bool Refuse(std::wstring why) {
        failure_ = std::move(why);
        return false;
    }
    std::wstring failure_;
};

class EngineTest : public ::testing::Test {
protected:
    void TearDown() override {
        session.reset();
        standin::ExpectOnlyScriptedRequests(dsm);
        if (dsm.shared().script.twain2) {
            EXPECT_EQ(dsm.Memory().outstanding, 0) << "every block of the DSM's memory was given back";
        }
    }

    // A TWAIN 2 DSM (or a 1.x one) with one source, opened by the engine.
    void OpenSource(bool twain2, bool ds2 = true) {
        if (twain2) dsm.EnableTwain2();
        dsm.AddSource("Office Scanner", ds2, true);
        session = std::make_unique<engine::Session>();
        ASSERT_EQ(session->Open(), L"");
        ASSERT_EQ(session->OpenSource(L"Office Scanner"), std::nullopt);
    }

    BatchResult Scan(PixelCheckingSink& sink, TransferMode mode = TransferMode::Native, std::int32_t maxPages = -1) {
        engine::BatchOptions options;
        options.mode = mode;
        options.maxPages = maxPages;
        return session->Scan(options, sink);
    }

    std::vector<const standin::Call*> Find(TW_UINT16 dat, TW_UINT16 msg) {
        calls = dsm.Calls();
        std::vector<const standin::Call*> found;
        for (const auto& call : calls) {
            if (call.dat == dat && call.msg == msg) found.push_back(&call);
        }
        return found;
    }

    standin::StandInDsm dsm;
    std::unique_ptr<engine::Session> session;
    std::vector<standin::Call> calls;
};

TEST_F(EngineTest, ATwain2DsmGivesItsEntryPointsAndA1xDsmWorksWithout) {
    OpenSource(true);
    EXPECT_TRUE(session->twain2());
    ASSERT_EQ(Find(DAT_ENTRYPOINT, MSG_GET).size(), 1u);
    const auto* open = Find(DAT_PARENT, MSG_OPENDSM).front();
    EXPECT_TRUE(open->origin.SupportedGroups & DF_APP2);
    EXPECT_EQ(open->origin.ProtocolMajor, 2);
    EXPECT_EQ(open->origin.ProtocolMinor, 4);
    session.reset();
    dsm.Reset();

    OpenSource(false);
    EXPECT_FALSE(session->twain2());
    EXPECT_TRUE(Find(DAT_ENTRYPOINT, MSG_GET).empty()) << "no DF_DSM2, so no entry points asked for";
}

TEST_F(EngineTest, ListsSourcesAndOpensThemByNameOrTheDefault) {
    dsm.AddSource("Flatbed One", false);
    dsm.AddSource("Office Scanner", true, true);
    dsm.AddSource("Camera", false);
    engine::Session engine;
    ASSERT_EQ(engine.Open(), L"");
    std::vector<std::wstring> names;
    for (const auto& source : engine.Sources()) names.push_back(source.productName);
    EXPECT_EQ(names, (std::vector<std::wstring>{L"Flatbed One", L"Office Scanner", L"Camera"}));
    EXPECT_EQ(engine.DefaultSource()->productName, L"Office Scanner");
    EXPECT_EQ(engine.OpenSource(L""), std::nullopt);
    EXPECT_EQ(std::string(engine.sourceIdentity().ProductName), "Office Scanner");
    EXPECT_EQ(engine.OpenSource(L"camera"), std::nullopt);
    EXPECT_EQ(std::string(engine.sourceIdentity().ProductName), "Camera");
    const std::wstring missing = engine.OpenSource(L"Nope").value_or(engine::Failure{}).message;
    EXPECT_NE(missing.find(L"\"Nope\""), std::wstring::npos);
    EXPECT_NE(missing.find(L"\"Flatbed One\", \"Office Scanner\", \"Camera\""), std::wstring::npos);
    EXPECT_FALSE(engine.sourceOpen());
}

// The engine reads the container from the block the source hands over, within the block's size,
// and gives each block back; the layouts themselves are the codec's (twain/capability/tests).
TEST_F(EngineTest, ReadsTheContainerFromTheSourcesBlockWithinItsSizeAndGivesTheBlockBack) {
    dsm.script().above4GB = 0;  // a block's exact size is the point; one above 4 GB is 1 MB at least
    OpenSource(true);
    // TW_ENUMERATION of TWTY_UINT16: 3 items, current 1, default 0, items 0 1 2.
    const std::uint8_t three[] = {4, 0, 3, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 2, 0};
    dsm.AnswerCapability(ICAP_PIXELTYPE, MSG_GETCURRENT, TWON_ENUMERATION, three, sizeof three);
    // The same claiming 1000 items in a 40-byte block.
    std::uint8_t lying[sizeof three];
    std::memcpy(lying, three, sizeof three);
    lying[2] = 0xE8;
    lying[3] = 0x03;
    dsm.AnswerCapability(ICAP_PIXELTYPE, MSG_GET, TWON_ENUMERATION, lying, sizeof lying, 40);
    const auto read = engine::QueryCapability(session->Source(), ICAP_PIXELTYPE, MSG_GETCURRENT);
    ASSERT_TRUE(read.container);
    using namespace capability;
    EXPECT_EQ(*read.container, Container(Enumeration{ItemType::UInt16, {std::int64_t{0}, std::int64_t{1}, std::int64_t{2}}, 1u, 0u}));
    const auto refused = engine::QueryCapability(session->Source(), ICAP_PIXELTYPE, MSG_GET);
    EXPECT_FALSE(refused.ok() || refused.container);
    EXPECT_NE(refused.problem.find(L"not valid"), std::wstring::npos);
    EXPECT_EQ(dsm.Memory().allocations, 2u);
}

TEST_F(EngineTest, SettingsAreSentAsContainersAndARefusalOrAnotherValueIsAnError) {
    OpenSource(true);
    dsm.AnswerOneValue(ICAP_XRESOLUTION, MSG_SET, TWTY_FIX32, 0);
    dsm.AnswerOneValue(ICAP_XRESOLUTION, MSG_GETCURRENT, TWTY_FIX32, 0);
    dsm.AnswerOneValue(ICAP_YRESOLUTION, MSG_SET, TWTY_FIX32, 0);
    dsm.AnswerOneValue(ICAP_YRESOLUTION, MSG_GETCURRENT, TWTY_FIX32, 0);
    EXPECT_EQ(engine::SetResolution(session->Source(), 300), std::nullopt);
    const auto sets = Find(DAT_CAPABILITY, MSG_SET);
    bool sawX = false;
    for (const auto* set : sets) {
        const auto* capability = reinterpret_cast<const TW_CAPABILITY*>(set->data);
        if (capability->Cap != ICAP_XRESOLUTION) continue;
        sawX = true;
        EXPECT_EQ(capability->ConType, TWON_ONEVALUE);
        const auto decoded = capability::Decode(TWON_ONEVALUE, std::span<const std::uint8_t>(set->containerBytes, 6));
        ASSERT_TRUE(decoded.container);
        EXPECT_EQ(*decoded.container, capability::Container(capability::OneValue{capability::ItemType::Fix32, 300.0}));
        EXPECT_TRUE(set->containerFromDsm) << "the container came from the DSM's memory";
    }
    EXPECT_TRUE(sawX);

    // A source that says yes but keeps 299 (a rule answers the SET without storing the value).
    dsm.Answer(DG_CONTROL, DAT_CAPABILITY, MSG_SET, TWRC_SUCCESS, 1);
    dsm.AnswerOneValue(ICAP_CONTRAST, MSG_GETCURRENT, TWTY_FIX32, 299);  // Whole 299, Frac 0
    const auto kept = engine::SetContrast(session->Source(), 300);
    dsm.FailCapability(ICAP_BRIGHTNESS, MSG_SET, TWCC_BADVALUE);
    dsm.AnswerOneValue(ICAP_BRIGHTNESS, MSG_GETCURRENT, TWTY_FIX32, 0);  // read back: not what was asked
    const auto refused = engine::SetBrightness(session->Source(), 500);
    const auto missing = engine::SetDuplex(session->Source(), true);
    // What each is about, the source's condition code where it gave one, and the words.
    struct Row { std::optional<engine::Failure> failure; std::wstring what; std::optional<std::uint16_t> condition; std::wstring says; };
    for (const Row& row : {Row{kept, L"ICAP_CONTRAST", std::nullopt, L"ICAP_CONTRAST to 299 instead of 300"},
                           Row{refused, L"ICAP_BRIGHTNESS", TWCC_BADVALUE, L"refused ICAP_BRIGHTNESS = 500: "},
                           Row{missing, L"CAP_DUPLEXENABLED", TWCC_CAPUNSUPPORTED, L"does not support CAP_DUPLEXENABLED"}}) {
        ASSERT_TRUE(row.failure) << row.what;
        EXPECT_EQ(row.failure->what, row.what);
        EXPECT_EQ(row.failure->condition, row.condition) << row.what;
        EXPECT_NE(row.failure->message.find(row.says), std::wstring::npos) << row.failure->message;
    }
}

TEST_F(EngineTest, EveryPageOfABatchArrivesIntactByNativeAndByMemoryTransfer) {
    for (const bool twain2 : {false, true}) {
        for (const TransferMode mode : {TransferMode::Native, TransferMode::Memory}) {
            SCOPED_TRACE(testing::Message() << (twain2 ? "TWAIN 2" : "TWAIN 1") << (mode == TransferMode::Native ? " native" : " memory"));
            dsm.Reset();
            OpenSource(twain2);
            dsm.AddPage(37, 20, TWPT_BW, 200);
            dsm.AddPage(41, 9, TWPT_GRAY, 300);
            dsm.AddPage(13, 17, TWPT_RGB, 150);
            dsm.SetupMemXfer(1, 1 << 20, 128, 3);  // small strips, with padding after each row
            dsm.AnswerOneValue(ICAP_XFERMECH, MSG_SET, TWTY_UINT16, 0);
            PixelCheckingSink sink;
            const BatchResult result = Scan(sink, mode);
            EXPECT_EQ(result.end, BatchEnd::Done);
            EXPECT_EQ(result.pages, 3u);
            EXPECT_EQ(sink.widths, (std::vector<std::uint32_t>{37, 41, 13}));
            EXPECT_EQ(Find(DAT_USERINTERFACE, MSG_DISABLEDS).size(), 1u);
            EXPECT_EQ(dsm.session().state, 4) << "the source ends open and disabled";
            TearDown();
        }
    }
}

// The profile a source hands over (DAT_ICCPROFILE, in a block we free, through the DSM's memory with a TWAIN 2 DSM)
// reaches the page by either transfer; a damaged one, or a source without profiles, gives none. A source offering
// ICAP_ICCPROFILE is asked for TWIC_EMBED.
TEST_F(EngineTest, EachPageCarriesTheProfileItsSourceHandsOver) {
    std::vector<std::uint8_t> profile(300, 0x5A);
    const auto put = [&profile](std::size_t at, std::uint32_t word) {
        for (int i = 0; i < 4; ++i) profile[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(word >> (24 - 8 * i));
    };
    put(0, 300);
    put(16, 0x52474220);  // 'RGB '
    put(36, 0x61637370);  // 'acsp'
    std::vector<std::uint8_t> wrongSize = profile;
    wrongSize[3] = 45;  // its size field says 301
    const struct {
        const char* what;
        std::vector<std::uint8_t> handed, kept;
        bool offered;
    } cases[] = {{"a profile", profile, profile, true}, {"a size field not its length", wrongSize, {}, false}, {"none", {}, {}, false}};
    for (const auto& c : cases) {
        for (const bool twain2 : {false, true}) {
            for (const TransferMode mode : {TransferMode::Native, TransferMode::Memory}) {
                SCOPED_TRACE(testing::Message() << c.what << (twain2 ? ", TWAIN 2" : ", TWAIN 1") << (mode == TransferMode::Native ? " native" : " memory"));
                dsm.Reset();
                OpenSource(twain2);
                dsm.AddPage(13, 17, TWPT_RGB, 150);
                dsm.SetupMemXfer(1, 1 << 20, 128);
                dsm.AnswerOneValue(ICAP_XFERMECH, MSG_SET, TWTY_UINT16, 0);
                if (c.offered) {
                    dsm.AnswerOneValue(ICAP_ICCPROFILE, MSG_QUERYSUPPORT, TWTY_INT32, TWQC_GET | TWQC_SET);
                    dsm.AnswerOneValue(ICAP_ICCPROFILE, MSG_SET, TWTY_UINT16, 0);
                }
                dsm.HandOverProfile(c.handed);
                PixelCheckingSink sink;
                EXPECT_EQ(Scan(sink, mode).end, BatchEnd::Done);
                EXPECT_EQ(sink.profiles, std::vector<std::vector<std::uint8_t>>{c.kept});
                std::vector<std::uint32_t> embed;
                for (const auto* set : Find(DAT_CAPABILITY, MSG_SET)) {
                    if (reinterpret_cast<const TW_CAPABILITY*>(set->data)->Cap == ICAP_ICCPROFILE) embed.push_back(set->container.Item);
                }
                EXPECT_EQ(embed, c.offered ? std::vector<std::uint32_t>{TWIC_EMBED} : std::vector<std::uint32_t>{});
                TearDown();
            }
        }
    }
}

TEST_F(EngineTest, NoticesComeByCallbackFromATwain2SourceAndByProcessEventOtherwise) {
    for (const bool ds2 : {true, false}) {
        dsm.Reset();
        OpenSource(true, ds2);
        dsm.AddPage(8, 4, TWPT_GRAY);
        PixelCheckingSink sink;
        EXPECT_EQ(Scan(sink).pages, 1u);
        const auto notices = dsm.Notices();
        ASSERT_FALSE(notices.empty());
        EXPECT_EQ(notices.front().twMessage, MSG_XFERREADY);
        EXPECT_EQ(notices.front().route, ds2 ? standin::kByCallback : standin::kByProcessEvent);
        EXPECT_EQ(notices.front().insideDsmCall, 0);
        EXPECT_EQ(Find(DAT_CALLBACK, MSG_REGISTER_CALLBACK).size(), ds2 ? 1u : 0u);
        TearDown();
    }
}

TEST_F(EngineTest, ANestedScanIsRefused) {
    OpenSource(true);
    dsm.AddPage(8, 4, TWPT_GRAY);
    dsm.AddPage(8, 4, TWPT_GRAY);
    PixelCheckingSink sink;
    BatchResult nested;
    sink.onPage = [&] {
        PixelCheckingSink inner;
        nested = Scan(inner);
    };
    EXPECT_EQ(Scan(sink).pages, 2u);
    EXPECT_EQ(nested.pages, 0u);
    EXPECT_NE(nested.reason.find(L"already running"), std::wstring::npos);
}

TEST_F(EngineTest, StopDuringABatchEndsItAndCloseWaitsForTheBatchToDisableTheSource) {
    OpenSource(true);
    for (int i = 0; i < 4; ++i) dsm.AddPage(8, 4, TWPT_GRAY);
    PixelCheckingSink sink;
    sink.onPage = [&] {
        if (sink.pages == 1) session->Close();  // as a client's Release during the batch would
    };
    const BatchResult result = Scan(sink);
    EXPECT_EQ(result.end, BatchEnd::Stopped);
    EXPECT_EQ(result.pages, 2u);
    EXPECT_FALSE(session->open()) << "closed once the batch had disabled the source";
    EXPECT_EQ(dsm.session().state, 2) << "the DSM closed";
}

}  // namespace
