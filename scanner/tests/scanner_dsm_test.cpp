// The sample scanner through Wine's own DSM (twain_32.dll), driven by raw triplets as an application sends them.
#include "scanner/tests/application.h"
#include "imaging/page_image.h"
#include "tests/fixtures/page_number_band.h"
#include "tests/fixtures/scoped_environment.h"
#include "tests/fixtures/test_directory.h"
#include "scanner/progress_window.h"
#include "scanner/scan_dialog.h"
#include "scanner/twain_source_records.h"
#include "win32/win32_owners.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

using namespace scanner_tests;
using vantrel::imaging::PageImage;
using vantrel::imaging::PixelFormat;

// A page read back from whatever the transfer gave, top row first, in the reader's format.
struct Page {
    std::vector<std::uint8_t> bytes;
    PageImage image;
    int number() const { return fixtures::ReadPageNumber(image).value_or(-1); }
};

// A packed 8-bit grey or 24-bit DIB (bottom-up) as a top-down page.
std::optional<Page> PageFromDib(HGLOBAL block) {
    const vantrel::GlobalLock<const std::uint8_t> locked(block);
    BITMAPINFOHEADER header{};
    if (!locked || ::GlobalSize(block) < sizeof header) return std::nullopt;
    std::memcpy(&header, locked.get(), sizeof header);
    const std::size_t row = static_cast<std::size_t>(header.biWidth) * header.biBitCount / 8;
    const std::size_t stride = (row + 3) / 4 * 4, height = static_cast<std::size_t>(header.biHeight);
    const std::uint8_t* bits = locked.get() + header.biSize + header.biClrUsed * sizeof(RGBQUAD);
    if ((header.biBitCount != 8 && header.biBitCount != 24) || bits + stride * height > locked.get() + ::GlobalSize(block))
        return std::nullopt;
    Page page;
    for (std::size_t y = height; y-- > 0;) page.bytes.insert(page.bytes.end(), bits + y * stride, bits + y * stride + row);
    page.image = {static_cast<std::uint32_t>(header.biWidth), static_cast<std::uint32_t>(height),
                  header.biBitCount == 8 ? PixelFormat::Gray8 : PixelFormat::Rgb24, row, 0, 0, {}};
    return page;
}

// The application: Wine's DSM opened, the one source opened through it, every call routed by the DSM.
class ScannerThroughDsm : public Application {
protected:
    void SetUp() override {
        dsm_.reset(::LoadLibraryW(L"twain_32.dll"));
        ASSERT_TRUE(dsm_) << "Wine's DSM";
        entry_ = reinterpret_cast<DSMENTRYPROC>(reinterpret_cast<void*>(::GetProcAddress(dsm_.get(), "DSM_Entry")));
        ASSERT_NE(entry_, nullptr);
        application_.ProtocolMajor = 2;
        application_.ProtocolMinor = 4;
        application_.SupportedGroups = DG_CONTROL | DG_IMAGE | DF_APP2;
        std::strcpy(application_.ProductName, "Scanner DSM test");
        HWND parent = window_.get();
        ASSERT_EQ(entry_(&application_, nullptr, DG_CONTROL, DAT_PARENT, MSG_OPENDSM, &parent), TWRC_SUCCESS);
        dsmOpen_ = true;
    }

    void TearDown() override {
        if (sourceOpen_) {
            TW_PENDINGXFERS pending{};
            Call(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending);
            Call(DG_CONTROL, DAT_PENDINGXFERS, MSG_RESET, &pending);
            Disable();
            entry_(&application_, nullptr, DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &source_);
        }
        HWND parent = window_.get();
        if (dsmOpen_) entry_(&application_, nullptr, DG_CONTROL, DAT_PARENT, MSG_CLOSEDSM, &parent);
        dsm_.reset();
    }

    // Opens the source with the environment as it is now (the source reads it at MSG_OPENDS).
    void Open() {
        ASSERT_EQ(entry_(&application_, nullptr, DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &source_), TWRC_SUCCESS);
        ASSERT_STREQ(source_.ProductName, "Vantrel Sample Scanner");
        EXPECT_EQ(source_.SupportedGroups & DF_DS2, DF_DS2);
        EXPECT_EQ(source_.ProtocolMajor, 2);
        sourceOpen_ = true;
    }

    TW_UINT16 Call(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, void* data) override {
        return entry_(&application_, &source_, dg, dat, msg, data);
    }

    std::optional<Page> TransferNative() {
        TW_HANDLE handle = 0;
        const TW_UINT16 rc = Call(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &handle);
        if (rc != TWRC_XFERDONE) {
            lastRc_ = rc;
            return std::nullopt;
        }
        vantrel::UniqueGlobal block(FromTwain<HGLOBAL>(handle));
        std::optional<Page> page = PageFromDib(block.get());
        if (page) page->image.pixels = page->bytes;
        return page;
    }

    // Strips in a buffer of the preferred size, assembled top to bottom.
    std::optional<Page> TransferMemory(PixelFormat format) {
        TW_SETUPMEMXFER setup{};
        TW_IMAGEINFO info{};
        EXPECT_EQ(Call(DG_CONTROL, DAT_SETUPMEMXFER, MSG_GET, &setup), TWRC_SUCCESS);
        EXPECT_EQ(Call(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info), TWRC_SUCCESS);
        std::vector<std::uint8_t> buffer(setup.Preferred);
        Page page;
        for (strips_ = 1;; ++strips_) {
            TW_IMAGEMEMXFER strip{};
            strip.Memory = {TWMF_APPOWNS | TWMF_POINTER, static_cast<TW_UINT32>(buffer.size()), ToTwain(buffer.data())};
            const TW_UINT16 rc = Call(DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, &strip);
            if (rc != TWRC_SUCCESS && rc != TWRC_XFERDONE) {
                lastRc_ = rc;
                return std::nullopt;
            }
            EXPECT_EQ(strip.YOffset * strip.BytesPerRow, page.bytes.size()) << "strips in order, none lost";
            page.bytes.insert(page.bytes.end(), buffer.begin(), buffer.begin() + strip.BytesWritten);
            page.image.stride = strip.BytesPerRow;
            if (rc == TWRC_XFERDONE) break;
        }
        page.image.width = static_cast<std::uint32_t>(info.ImageWidth);
        page.image.height = static_cast<std::uint32_t>(page.bytes.size() / page.image.stride);
        page.image.format = format;
        page.image.pixels = page.bytes;
        EXPECT_EQ(page.image.height, static_cast<std::uint32_t>(info.ImageLength));
        return page;
    }

    struct Batch {
        std::vector<int> pages;   // read back from each page's band
        std::vector<int> counts;  // MSG_ENDXFER's Count after each
    };
    // Transfers until MSG_ENDXFER says none are left, or a transfer does not deliver.
    Batch RunBatch(bool memory) {
        Batch batch;
        for (int guard = 0; guard < 64; ++guard) {
            const std::optional<Page> page = memory ? TransferMemory(PixelFormat::Gray8) : TransferNative();
            if (!page) break;
            batch.pages.push_back(page->number());
            batch.counts.push_back(EndXfer());
            if (batch.counts.back() == 0) break;
        }
        return batch;
    }

    const fixtures::TestDirectory scratch_{L"scanner-dsm"};
    HiddenWindow window_;
    vantrel::UniqueModule dsm_;
    DSMENTRYPROC entry_ = nullptr;
    TW_IDENTITY application_{};
    TW_IDENTITY source_{};
    bool dsmOpen_ = false;
    bool sourceOpen_ = false;
    TW_UINT16 lastRc_ = TWRC_SUCCESS;
    int strips_ = 0;
};

// Whether the current thread made a progress window while the hook watched.
bool sawProgress = false;
LRESULT CALLBACK WatchProgress(int code, WPARAM wParam, LPARAM lParam) {
    wchar_t name[64] = {};
    if (code == HCBT_CREATEWND && ::GetClassNameW(reinterpret_cast<HWND>(wParam), name, 64) &&
        std::wstring(name) == vantrel::scanner::ProgressWindow::kClassName)
        sawProgress = true;
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

// The feeder's batches, and the switches that make the paper misbehave: the pages each gives, read
// back from their bands, and how the batch ends.
struct BatchCase {
    const char* name;
    const wchar_t* variable;  // the environment that sets the scanner up, if any
    const wchar_t* value;
    TW_UINT16 mechanism;
    bool duplex;
    int xferCount;  // 0: not set
    bool indicators;
    std::vector<int> pages;
    std::vector<int> counts;  // MSG_ENDXFER's Count after each page
    TW_UINT16 lastRc;         // of the transfer that did not deliver, if one did not
    TW_UINT16 condition;
    bool loadedAfter;         // CAP_FEEDERLOADED once the batch is over
};

const BatchCase kBatches[] = {
    {"duplex native", L"VANTREL_SCANNER_SHEETS", L"3", TWSX_NATIVE, true, 0, false, {1, 2, 3, 4, 5, 6},
     {5, 4, 3, 2, 1, 0}, TWRC_SUCCESS, TWCC_SUCCESS, false},
    {"duplex memory", L"VANTREL_SCANNER_SHEETS", L"3", TWSX_MEMORY, true, 0, false, {1, 2, 3, 4, 5, 6},
     {5, 4, 3, 2, 1, 0}, TWRC_SUCCESS, TWCC_SUCCESS, false},
    {"two of five with progress", nullptr, nullptr, TWSX_NATIVE, false, 2, true, {1, 2}, {1, 0}, TWRC_SUCCESS,
     TWCC_SUCCESS, true},
    {"jam at page three", L"VANTREL_SCANNER_FAULT", L"jam:3", TWSX_NATIVE, false, 0, false, {1, 2}, {4, 3},
     TWRC_FAILURE, TWCC_PAPERJAM, true},
    {"double feed at page two", L"VANTREL_SCANNER_FAULT", L"doublefeed:2", TWSX_MEMORY, false, 0, false, {1}, {4},
     TWRC_FAILURE, TWCC_PAPERDOUBLEFEED, true},
    {"cancel at page two", L"VANTREL_SCANNER_FAULT", L"cancel:2", TWSX_MEMORY, false, 0, false, {1}, {4}, TWRC_CANCEL,
     TWCC_SUCCESS, true},
    {"every transfer cancelled", L"VANTREL_SCANNER_CANCEL_TRANSFER", L"1", TWSX_NATIVE, false, 0, false, {}, {},
     TWRC_CANCEL, TWCC_SUCCESS, true},
};

class Batches : public ScannerThroughDsm, public ::testing::WithParamInterface<BatchCase> {};

TEST_P(Batches, GiveTheirPagesInOrderAndEndAsTheFeederSays) {
    const BatchCase& c = GetParam();
    std::optional<fixtures::ScopedEnvironment> setting;
    if (c.variable) setting.emplace(c.variable, c.value);
    Open();
    if (c.xferCount) { ASSERT_EQ(SetOne(CAP_XFERCOUNT, TWTY_INT16, static_cast<TW_UINT32>(c.xferCount)), TWRC_SUCCESS); }
    ASSERT_EQ(SetOne(CAP_FEEDERENABLED, TWTY_BOOL, 1), TWRC_SUCCESS);
    ASSERT_EQ(SetOne(CAP_DUPLEXENABLED, TWTY_BOOL, c.duplex ? 1 : 0), TWRC_SUCCESS);
    ASSERT_EQ(SetOne(ICAP_XFERMECH, TWTY_UINT16, c.mechanism), TWRC_SUCCESS);
    ASSERT_EQ(SetOne(ICAP_PIXELTYPE, TWTY_UINT16, TWPT_GRAY), TWRC_SUCCESS);
    ASSERT_EQ(SetOne(CAP_INDICATORS, TWTY_BOOL, c.indicators ? 1 : 0), TWRC_SUCCESS);
    ASSERT_EQ(Enable(window_.get()), TWRC_SUCCESS);
    ASSERT_EQ(PumpUntilNotice(20000), MSG_XFERREADY);
    sawProgress = false;
    vantrel::UniqueHook hook(::SetWindowsHookExW(WH_CBT, &WatchProgress, nullptr, ::GetCurrentThreadId()));
    ASSERT_TRUE(hook);
    const Batch batch = RunBatch(c.mechanism == TWSX_MEMORY);
    hook.reset();
    EXPECT_EQ(sawProgress, c.indicators) << "a progress window only with CAP_INDICATORS";
    EXPECT_EQ(::FindWindowW(vantrel::scanner::ProgressWindow::kClassName, nullptr), nullptr) << "closed when done";
    EXPECT_EQ(batch.pages, c.pages);
    EXPECT_EQ(batch.counts, c.counts);
    EXPECT_EQ(lastRc_, c.lastRc);
    if (c.lastRc != TWRC_SUCCESS) {
        EXPECT_EQ(Status(), c.condition);
        EXPECT_EQ(EndXfer(), 0) << "the batch ends with it";
    }
    if (c.mechanism == TWSX_MEMORY && c.lastRc == TWRC_SUCCESS) { EXPECT_GT(strips_, 1) << "a page comes in several strips"; }
    EXPECT_EQ((Ask(MSG_GETCURRENT, CAP_FEEDERLOADED).OneItem() & 0xFFFF) != 0, c.loadedAfter);
    EXPECT_EQ(Disable(), TWRC_SUCCESS);
}

INSTANTIATE_TEST_SUITE_P(Feeder, Batches, ::testing::ValuesIn(kBatches), [](const auto& info) {
    std::string name = info.param.name;
    for (char& ch : name) ch = std::isalnum(static_cast<unsigned char>(ch)) ? ch : '_';
    return name;
});

TEST_F(ScannerThroughDsm, EmptyFeederRefusesToEnableWithNoMedia) {
    const fixtures::ScopedEnvironment sheets(L"VANTREL_SCANNER_SHEETS", L"0");
    Open();
    EXPECT_EQ(Ask(MSG_GETCURRENT, CAP_FEEDERLOADED).OneItem() & 0xFFFF, 0u);
    ASSERT_EQ(SetOne(CAP_FEEDERENABLED, TWTY_BOOL, 1), TWRC_SUCCESS);
    EXPECT_EQ(Enable(window_.get()), TWRC_FAILURE);
    EXPECT_EQ(Status(), TWCC_NOMEDIA);
    TW_STATUSUTF8 text{{TWCC_NOMEDIA, 0}, 0, 0};
    ASSERT_EQ(Call(DG_CONTROL, DAT_STATUSUTF8, MSG_GET, &text), TWRC_SUCCESS);
    const vantrel::UniqueGlobal block(FromTwain<HGLOBAL>(text.UTF8string));
    EXPECT_EQ(std::string(vantrel::GlobalLock<const char>(block.get()).get(), text.Size - 1), "No paper in the feeder");
    ASSERT_EQ(SetOne(CAP_FEEDERENABLED, TWTY_BOOL, 0), TWRC_SUCCESS) << "still open (state 4)";
}

// Each capability message through the DSM: the container it answers with, or the code it fails with
// (which values are accepted is the capability model's, tested natively).
TEST_F(ScannerThroughDsm, CapabilityMessagesAnswerWithTheirContainersAndCodes) {
    Open();
    struct Step {
        TW_UINT16 msg;
        TW_UINT16 cap;
        TW_UINT32 item;     // to set, or the TW_ONEVALUE's item answered (0: not looked at)
        TW_UINT16 rc;
        TW_UINT16 conType;  // when it answers, else the condition code it fails with
    };
    const Step steps[] = {
        {MSG_GET, ICAP_PIXELTYPE, 0, TWRC_SUCCESS, TWON_ENUMERATION},
        {MSG_SET, ICAP_PIXELTYPE, TWPT_BW, TWRC_SUCCESS, 0},
        {MSG_GETCURRENT, ICAP_PIXELTYPE, TWPT_BW, TWRC_SUCCESS, TWON_ONEVALUE},
        {MSG_GETDEFAULT, ICAP_PIXELTYPE, TWPT_RGB, TWRC_SUCCESS, TWON_ONEVALUE},
        {MSG_RESET, ICAP_PIXELTYPE, 0, TWRC_SUCCESS, TWON_ENUMERATION},
        {MSG_GETCURRENT, ICAP_PIXELTYPE, TWPT_RGB, TWRC_SUCCESS, TWON_ONEVALUE},
        {MSG_QUERYSUPPORT, ICAP_PIXELTYPE, TWQC_GET | TWQC_SET | TWQC_GETDEFAULT | TWQC_GETCURRENT | TWQC_RESET,
         TWRC_SUCCESS, TWON_ONEVALUE},
        {MSG_GET, ICAP_BRIGHTNESS, 0, TWRC_SUCCESS, TWON_RANGE},
        {MSG_GET, CAP_SUPPORTEDCAPS, 0, TWRC_SUCCESS, TWON_ARRAY},
        {MSG_SET, ICAP_XRESOLUTION, 200, TWRC_SUCCESS, 0},
        {MSG_GETCURRENT, ICAP_XRESOLUTION, 200, TWRC_SUCCESS, TWON_ONEVALUE},
        {MSG_SET, ICAP_XRESOLUTION, 290, TWRC_CHECKSTATUS, 0},  // not offered: the nearest is taken
        {MSG_GETCURRENT, ICAP_XRESOLUTION, 300, TWRC_SUCCESS, TWON_ONEVALUE},
        {MSG_SET, ICAP_PIXELTYPE, 9, TWRC_FAILURE, TWCC_BADVALUE},
        {MSG_GET, 0x8123, 0, TWRC_FAILURE, TWCC_CAPUNSUPPORTED},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(testing::Message() << "message " << step.msg << " capability " << std::hex << step.cap);
        const TW_UINT16 type = step.cap == ICAP_XRESOLUTION ? TWTY_FIX32 : TWTY_UINT16;
        const Answer answer = step.msg == MSG_SET ? Answer{SetOne(step.cap, type, step.item), 0, {}} : Ask(step.msg, step.cap);
        EXPECT_EQ(answer.rc, step.rc);
        if (step.rc == TWRC_FAILURE) { EXPECT_EQ(Status(), step.conType); }
        if (step.msg == MSG_SET || step.rc == TWRC_FAILURE) continue;
        EXPECT_EQ(answer.conType, step.conType);
        if (step.item) { EXPECT_EQ(answer.OneItem() & (type == TWTY_FIX32 ? 0xFFFFFFFF : 0xFFFF), step.item); }
    }
}

TEST_F(ScannerThroughDsm, SettingsReadBackAreTheOnesThePageShows) {
    Open();
    for (const TW_UINT16 cap : {ICAP_XRESOLUTION, ICAP_YRESOLUTION}) { ASSERT_EQ(SetOne(cap, TWTY_FIX32, 150), TWRC_SUCCESS); }
    ASSERT_EQ(SetOne(ICAP_SUPPORTEDSIZES, TWTY_UINT16, TWSS_A5), TWRC_SUCCESS);
    ASSERT_EQ(SetOne(ICAP_PIXELTYPE, TWTY_UINT16, TWPT_BW), TWRC_SUCCESS);
    ASSERT_EQ(SetOne(ICAP_PIXELFLAVOR, TWTY_UINT16, TWPF_VANILLA), TWRC_SUCCESS);  // 1 = black, as the reader takes it
    ASSERT_EQ(SetOne(ICAP_XFERMECH, TWTY_UINT16, TWSX_MEMORY), TWRC_SUCCESS);
    TW_IMAGELAYOUT layout{};
    ASSERT_EQ(Call(DG_IMAGE, DAT_IMAGELAYOUT, MSG_GET, &layout), TWRC_SUCCESS);
    EXPECT_EQ(layout.Frame.Right.Whole, 5) << "A5 is 5.83 inches wide";
    EXPECT_EQ(layout.Frame.Bottom.Whole, 8);
    ASSERT_EQ(Enable(window_.get()), TWRC_SUCCESS);
    ASSERT_EQ(PumpUntilNotice(20000), MSG_XFERREADY);
    TW_IMAGEINFO info{};
    ASSERT_EQ(Call(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info), TWRC_SUCCESS);
    EXPECT_EQ(info.XResolution.Whole, 150);
    EXPECT_EQ(info.YResolution.Whole, 150);
    EXPECT_EQ(info.BitsPerPixel, 1);
    EXPECT_EQ(info.PixelType, TWPT_BW);
    const std::optional<Page> page = TransferMemory(PixelFormat::BlackWhite1);
    ASSERT_TRUE(page);
    EXPECT_EQ(page->image.width, 874u);
    EXPECT_EQ(page->image.height, 1240u);
    EXPECT_EQ(page->image.stride, (874u + 7) / 8);
    EXPECT_EQ(page->number(), 1);
    EXPECT_EQ(EndXfer(), 0);
}

TEST_F(ScannerThroughDsm, FileTransferWritesTheBmpWhereTheApplicationSaid) {
    Open();
    TW_SETUPFILEXFER setup{};
    std::strcpy(setup.FileName, (scratch_ / L"page.bmp").string().c_str());
    setup.Format = 99;
    ASSERT_EQ(SetOne(ICAP_XFERMECH, TWTY_UINT16, TWSX_FILE), TWRC_SUCCESS);
    EXPECT_EQ(Call(DG_CONTROL, DAT_SETUPFILEXFER, MSG_SET, &setup), TWRC_FAILURE);
    EXPECT_EQ(Status(), TWCC_BADVALUE);
    setup.Format = TWFF_BMP;
    ASSERT_EQ(Call(DG_CONTROL, DAT_SETUPFILEXFER, MSG_SET, &setup), TWRC_SUCCESS);
    ASSERT_EQ(Enable(window_.get()), TWRC_SUCCESS);
    ASSERT_EQ(PumpUntilNotice(20000), MSG_XFERREADY);
    EXPECT_FALSE(TransferNative()) << "the file mechanism was chosen";
    EXPECT_EQ(Status(), TWCC_SEQERROR);
    ASSERT_EQ(Call(DG_IMAGE, DAT_IMAGEFILEXFER, MSG_GET, nullptr), TWRC_XFERDONE);
    EXPECT_EQ(EndXfer(), 0);
    std::ifstream file(setup.FileName, std::ios::binary);
    const std::vector<char> bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    ASSERT_EQ(bytes.size(), 54u + 400u * 3u * 300u) << "400 x 300 colour, rows already a multiple of four";
    EXPECT_EQ(std::string(bytes.data(), 2), "BM");
}

// The notice comes through the DSM (DAT_NULL), so it reaches the application's loop even when
// the window it named belongs to nobody in this thread, and even sent from inside MSG_ENABLEDS.
TEST_F(ScannerThroughDsm, NoticesArriveThroughTheDsmWhateverTheParent) {
    const UINT wineEvent = ::RegisterWindowMessageW(L"WINE TWAIN_32 EVENT");
    for (const wchar_t* fault : {L"", L"earlyready"}) {
        SCOPED_TRACE(fault);
        const fixtures::ScopedEnvironment environment(L"VANTREL_SCANNER_FAULT", fault);
        Open();
        ASSERT_EQ(Enable(::GetDesktopWindow()), TWRC_SUCCESS);
        MSG carrier{};
        ASSERT_EQ(PumpUntilNotice(20000, &carrier), MSG_XFERREADY);
        EXPECT_EQ(carrier.message, wineEvent) << "Wine's own event message, so DAT_NULL was used";
        ASSERT_TRUE(TransferNative());
        EXPECT_EQ(EndXfer(), 0);
        ASSERT_EQ(Disable(), TWRC_SUCCESS);
        ASSERT_EQ(entry_(&application_, nullptr, DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &source_), TWRC_SUCCESS);
        sourceOpen_ = false;
    }
}

TEST_F(ScannerThroughDsm, ANativeImageTooLargeForMemoryFailsCleanly) {
    Open();
    for (const TW_UINT16 cap : {ICAP_XRESOLUTION, ICAP_YRESOLUTION}) { ASSERT_EQ(SetOne(cap, TWTY_FIX32, 1200), TWRC_SUCCESS); }
    ASSERT_EQ(SetOne(ICAP_SUPPORTEDSIZES, TWTY_UINT16, TWSS_A4), TWRC_SUCCESS);  // colour: about 417 MB
    ASSERT_EQ(Enable(window_.get()), TWRC_SUCCESS);
    ASSERT_EQ(PumpUntilNotice(20000), MSG_XFERREADY);
    TW_HANDLE handle = 0xDEAD;
    EXPECT_EQ(Call(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &handle), TWRC_FAILURE);
    EXPECT_EQ(handle, 0u);
    EXPECT_EQ(Status(), TWCC_LOWMEMORY);
    TW_PENDINGXFERS pending{0xFFFF, 0};
    EXPECT_EQ(Call(DG_CONTROL, DAT_PENDINGXFERS, MSG_RESET, &pending), TWRC_SUCCESS) << "still in state 6";
}

// Only the admission per state is the state table's (tested natively); here, what a refusal does.
TEST_F(ScannerThroughDsm, TripletsInTheWrongStateFailAndChangeNothing) {
    struct Refused {
        TW_UINT32 dg;
        TW_UINT16 dat;
        TW_UINT16 msg;
        TW_UINT16 cc = TWCC_SEQERROR;
    };
    const auto refuse = [&](std::initializer_list<Refused> calls) {
        for (const Refused& r : calls) {
            alignas(8) std::uint8_t data[sizeof(TW_IDENTITY)] = {};
            EXPECT_EQ(Call(r.dg, r.dat, r.msg, data), TWRC_FAILURE) << r.dat << " " << r.msg;
            EXPECT_EQ(Status(), r.cc) << r.dat << " " << r.msg;
        }
    };
    Open();
    refuse({{DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET}, {DG_IMAGE, DAT_IMAGEINFO, MSG_GET},
            {DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS}, {DG_IMAGE, DAT_IMAGEMEMXFER, MSG_SET, TWCC_BADPROTOCOL}});
    ASSERT_EQ(Enable(window_.get()), TWRC_SUCCESS);
    refuse({{DG_CONTROL, DAT_CAPABILITY, MSG_SET}, {DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET},
            {DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER}});  // 5, before the application has taken MSG_XFERREADY
    ASSERT_EQ(PumpUntilNotice(20000), MSG_XFERREADY);
    refuse({{DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS}});  // 6
    ASSERT_TRUE(TransferNative()) << "still in state 6";
    EXPECT_EQ(EndXfer(), 0);
    refuse({{DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET}});  // 5 again
    EXPECT_EQ(Disable(), TWRC_SUCCESS);
}

TEST_F(ScannerThroughDsm, UserInterfaceScansWithTheChosenModeAndSizeAndCancelAsksToClose) {
    Open();
    ASSERT_EQ(Enable(window_.get(), true, true), TWRC_SUCCESS);
    const HWND dialog = ::FindWindowW(vantrel::scanner::ScanDialog::kClassName, nullptr);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(::GetWindow(dialog, GW_OWNER), window_.get());
    EXPECT_FALSE(::IsWindowEnabled(window_.get())) << "a modal user interface disables its owner";
    EXPECT_EQ(PumpUntilNotice(300), MSG_NULL) << "nothing is ready until the user presses Scan";
    const auto click = [&](const wchar_t* caption) {
        ::SendMessageW(::FindWindowExW(dialog, nullptr, L"Button", caption), BM_CLICK, 0, 0);
    };
    click(L"Grey 8-bit");
    const HWND sizes = ::FindWindowExW(dialog, nullptr, L"ComboBox", nullptr);
    const LRESULT index = ::SendMessageW(sizes, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(L"200 x 150"));
    ASSERT_NE(index, CB_ERR);
    ::SendMessageW(sizes, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    click(L"Scan");
    ASSERT_EQ(PumpUntilNotice(20000), MSG_XFERREADY);
    const std::optional<Page> page = TransferNative();
    ASSERT_TRUE(page);
    EXPECT_EQ(page->image.width, 200u);
    EXPECT_EQ(page->image.height, 150u);
    EXPECT_EQ(page->image.format, PixelFormat::Gray8);
    EXPECT_EQ(EndXfer(), 0);
    ASSERT_TRUE(::IsWindow(dialog)) << "the dialog stays for another scan until MSG_DISABLEDS";
    click(L"Cancel");
    ASSERT_EQ(PumpUntilNotice(20000), MSG_CLOSEDSREQ);
    ASSERT_EQ(Disable(), TWRC_SUCCESS);
    EXPECT_FALSE(::IsWindow(dialog));
    EXPECT_TRUE(::IsWindowEnabled(window_.get()));
}

}  // namespace
