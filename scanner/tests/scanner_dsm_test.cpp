// The sample scanner through Wine's own DSM (twain_32.dll), driven by raw triplets as an application sends them.
#include "scanner/tests/application.h"
#include "imaging/page_image.h"
#include "tests/fixtures/page_number_band.h"
#include "tests/fixtures/scoped_environment.h"
#include "tests/fixtures/test_directory.h"
#include "scanner/progress_window.h"
#include "scanner/scan_dialog.h"

#include <gtest/gtest.h>

#include <cwchar>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

namespace {

using namespace scanner_tests;
using vantrel::imaging::PixelFormat;

// The application: Wine's DSM opened, the one source opened through it, every call routed by the DSM.
class ScannerThroughDsm : public Application {
protected:
    void SetUp() override {
        dsm_.reset(::LoadLibraryW(L"twain_32.dll"));
        ASSERT_TRUE(dsm_) << "Wine's DSM";
        entry_ = reinterpret_cast<DSMENTRYPROC>(reinterpret_cast<void*>(::GetProcAddress(dsm_.get(), "DSM_Entry")));
        ASSERT_NE(entry_, nullptr);
        application_.ProtocolMajor = 2;
        application_.SupportedGroups = DG_CONTROL | DG_IMAGE | DF_APP2;
        HWND parent = window_.get();
        ASSERT_EQ(entry_(&application_, nullptr, DG_CONTROL, DAT_PARENT, MSG_OPENDSM, &parent), TWRC_SUCCESS);
    }

    void TearDown() override {
        if (entry_ && source_.ProductName[0]) {
            TW_PENDINGXFERS pending{};
            Call(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending);
            Call(DG_CONTROL, DAT_PENDINGXFERS, MSG_RESET, &pending);
            Disable();
            entry_(&application_, nullptr, DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &source_);
        }
        HWND parent = window_.get();
        if (entry_) entry_(&application_, nullptr, DG_CONTROL, DAT_PARENT, MSG_CLOSEDSM, &parent);
    }

    // Opens the source with the environment as it is now (the source reads it at MSG_OPENDS).
    void Open() {
        ASSERT_EQ(entry_(&application_, nullptr, DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &source_), TWRC_SUCCESS);
        ASSERT_STREQ(source_.ProductName, "Vantrel Sample Scanner");
        EXPECT_EQ(source_.SupportedGroups & DF_DS2, DF_DS2);
    }

    TW_UINT16 Call(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, void* data) override {
        return entry_(&application_, &source_, dg, dat, msg, data);
    }

    // Disables and closes the source, so that the next case opens it afresh.
    void Close() {
        Disable();
        ASSERT_EQ(entry_(&application_, nullptr, DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &source_), TWRC_SUCCESS);
        source_ = TW_IDENTITY{};
    }

    // Enables without the scanner's dialog; the notice comes as DAT_NULL, Wine's own event message.
    void EnableUntilReady() {
        ASSERT_EQ(Enable(window_.get()), TWRC_SUCCESS);
        MSG carrier{};
        ASSERT_EQ(PumpUntilNotice(20000, &carrier), MSG_XFERREADY);
        EXPECT_EQ(carrier.message, ::RegisterWindowMessageW(L"WINE TWAIN_32 EVENT"));
    }

    // The DIB's header, or the return code of a transfer that did not deliver.
    TW_UINT16 TransferNative(BITMAPINFOHEADER* header = nullptr) {
        TW_HANDLE handle = 0;
        const TW_UINT16 rc = Call(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &handle);
        const vantrel::UniqueGlobal block(FromTwain<HGLOBAL>(handle));
        if (const vantrel::GlobalLock<const BITMAPINFOHEADER> dib(block.get()); dib && header) *header = *dib.get();
        return rc;
    }

    // Strips in a buffer of the preferred size, assembled top to bottom by BytesWritten alone into a
    // page of `format`, and what the strips' counts said on the way.
    struct Page {
        TW_UINT16 rc = TWRC_SUCCESS;
        int strips = 0;
        TW_IMAGEINFO info{};
        std::vector<std::uint8_t> bytes;
        vantrel::imaging::PageImage image;
        bool inOrder = true, rowsAsked = true, zeroOffsets = true, endsEmpty = false;  // every strip's / the last one's
        int number() const { return fixtures::ReadPageNumber(image).value_or(-1); }
    };
    Page TransferMemory(PixelFormat format) {
        TW_SETUPMEMXFER setup{};
        Page page;
        EXPECT_EQ(Call(DG_CONTROL, DAT_SETUPMEMXFER, MSG_GET, &setup), TWRC_SUCCESS);
        EXPECT_EQ(Call(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &page.info), TWRC_SUCCESS);
        std::vector<std::uint8_t> buffer(setup.Preferred);
        while (page.rc == TWRC_SUCCESS) {
            TW_IMAGEMEMXFER strip{};
            strip.Memory = {TWMF_APPOWNS | TWMF_POINTER, static_cast<TW_UINT32>(buffer.size()), ToTwain(buffer.data())};
            page.rc = Call(DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, &strip);
            if (page.rc != TWRC_SUCCESS && page.rc != TWRC_XFERDONE) return page;
            page.inOrder = page.inOrder && strip.YOffset * strip.BytesPerRow == page.bytes.size();
            page.rowsAsked = page.rowsAsked && strip.Rows == buffer.size() / strip.BytesPerRow;
            page.zeroOffsets = page.zeroOffsets && strip.YOffset == 0 && strip.XOffset == 0;
            page.endsEmpty = page.rc == TWRC_XFERDONE && strip.BytesWritten == 0;
            page.bytes.insert(page.bytes.end(), buffer.begin(), buffer.begin() + strip.BytesWritten);
            page.image.stride = strip.BytesPerRow;
            ++page.strips;
        }
        page.image = {static_cast<std::uint32_t>(page.info.ImageWidth), static_cast<std::uint32_t>(page.bytes.size() / page.image.stride),
                      format, page.image.stride, 0, 0, page.bytes};
        EXPECT_EQ(page.image.height, static_cast<std::uint32_t>(page.info.ImageLength));
        return page;
    }

    const fixtures::TestDirectory scratch_{L"scanner-dsm"};
    vantrel::UniqueModule dsm_;
    DSMENTRYPROC entry_ = nullptr;
    TW_IDENTITY application_{};
    TW_IDENTITY source_{};
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

// The feeder's batches as the source itself shows them (how a batch ends for the application is
// the engine's end-to-end table; a cancel's and the document pages' are vantrel-scan's end-to-end
// rows): the pages read back from their bands (native pages are not read here: 0), MSG_ENDXFER's
// counts, the transfer that did not deliver and whether paper is left.
struct BatchCase {
    const char* name;
    const wchar_t* variable;  // the environment that sets the scanner up
    const wchar_t* value;
    TW_UINT16 mechanism, pixelType;
    bool duplex, indicators;
    int xferCount;  // 0: not set
    std::vector<int> pages, counts;
    TW_UINT16 lastRc, condition;
    bool loadedAfter;
};

class Batches : public ScannerThroughDsm, public ::testing::WithParamInterface<BatchCase> {};

TEST_P(Batches, GiveTheirPagesInOrderAndEndAsTheFeederSays) {
    const BatchCase& c = GetParam();
    const fixtures::ScopedEnvironment setting(c.variable, c.value);
    Open();
    if (c.xferCount) { ASSERT_EQ(SetOne(CAP_XFERCOUNT, TWTY_INT16, static_cast<TW_UINT32>(c.xferCount)), TWRC_SUCCESS); }
    ASSERT_EQ(SetOne(CAP_FEEDERENABLED, TWTY_BOOL, 1), TWRC_SUCCESS);
    ASSERT_EQ(SetOne(CAP_DUPLEXENABLED, TWTY_BOOL, c.duplex), TWRC_SUCCESS);
    ASSERT_EQ(SetOne(CAP_INDICATORS, TWTY_BOOL, c.indicators), TWRC_SUCCESS);
    ASSERT_EQ(SetOne(ICAP_XFERMECH, TWTY_UINT16, c.mechanism), TWRC_SUCCESS);
    ASSERT_EQ(SetOne(ICAP_PIXELTYPE, TWTY_UINT16, c.pixelType), TWRC_SUCCESS);
    // One-bit pages in the reader's convention (1 = black) are TWAIN's vanilla flavour.
    ASSERT_EQ(SetOne(ICAP_PIXELFLAVOR, TWTY_UINT16, c.pixelType == TWPT_BW ? TWPF_VANILLA : TWPF_CHOCOLATE), TWRC_SUCCESS);
    ASSERT_EQ(SetOne(ICAP_XRESOLUTION, TWTY_FIX32, 300), TWRC_SUCCESS);
    ASSERT_EQ(SetOne(ICAP_YRESOLUTION, TWTY_FIX32, 400), TWRC_SUCCESS);
    EnableUntilReady();
    sawProgress = false;
    vantrel::UniqueHook hook(::SetWindowsHookExW(WH_CBT, &WatchProgress, nullptr, ::GetCurrentThreadId()));
    std::vector<int> pages, counts;
    TW_UINT16 rc = TWRC_XFERDONE;
    while (rc == TWRC_XFERDONE && (counts.empty() || counts.back() > 0)) {
        const bool memory = c.mechanism == TWSX_MEMORY;
        Page page;
        if (memory) page = TransferMemory(c.pixelType == TWPT_BW ? PixelFormat::BlackWhite1 : PixelFormat::Gray8);
        else page.rc = TransferNative();
        if ((rc = page.rc) != TWRC_XFERDONE) break;
        if (memory) {
            EXPECT_GT(page.strips, 1) << "a page comes in several strips";
            EXPECT_TRUE(page.inOrder) << "strips in order, none lost";
            EXPECT_EQ(std::pair(page.info.XResolution.Whole, page.info.YResolution.Whole), (std::pair<TW_INT16, TW_INT16>(300, 400)));
        }
        pages.push_back(memory ? page.number() : 0);
        counts.push_back(EndXfer());
    }
    hook.reset();
    EXPECT_EQ(sawProgress, c.indicators) << "a progress window only with CAP_INDICATORS";
    EXPECT_EQ(::FindWindowW(vantrel::scanner::ProgressWindow::kClassName, nullptr), nullptr) << "closed when done";
    EXPECT_EQ(pages, c.pages);
    EXPECT_EQ(counts, c.counts);
    EXPECT_EQ(rc, c.lastRc);
    if (rc != TWRC_XFERDONE) {
        EXPECT_EQ(Status(), c.condition);
        EXPECT_EQ(EndXfer(), 0) << "the batch ends with it";
    }
    EXPECT_EQ((Ask(MSG_GETCURRENT, CAP_FEEDERLOADED).item & 0xFFFF) != 0, c.loadedAfter);
}

INSTANTIATE_TEST_SUITE_P(
    Feeder, Batches,
    ::testing::Values(BatchCase{"duplex_memory", L"VANTREL_SCANNER_SHEETS", L"3", TWSX_MEMORY, TWPT_GRAY, true, false, 0,
                                {1, 2, 3, 4, 5, 6}, {5, 4, 3, 2, 1, 0}, TWRC_XFERDONE, TWCC_SUCCESS, false},
                      BatchCase{"two_of_five_with_progress", L"VANTREL_SCANNER_SHEETS", L"5", TWSX_NATIVE, TWPT_GRAY, false, true,
                                2, {0, 0}, {1, 0}, TWRC_XFERDONE, TWCC_SUCCESS, true},
                      BatchCase{"jam_at_page_three", L"VANTREL_SCANNER_FAULT", L"jam:3", TWSX_MEMORY, TWPT_BW, false, false, 0,
                                {1, 2}, {4, 3}, TWRC_FAILURE, TWCC_PAPERJAM, true}),
    [](const auto& info) { return std::string(info.param.name); });

// Real drivers' habits as the source shows them on request (how the engine takes each is its own
// end-to-end table, which also shows set-current-fails: its refusal stands or falls with the
// quirk): two sheets by memory transfer, the strips' counts, ENDXFER's and the pages assembled by
// BytesWritten alone.
TEST_F(ScannerThroughDsm, QuirksBendTheCountsAsRealDriversDo) {
    const struct {
        const wchar_t* quirks;
        bool rowsAsked, zeroOffsets, endsEmpty;  // in every strip / the last strip
        std::vector<int> counts{1, 0};           // MSG_ENDXFER's
    } cases[] = {
        {L"", false, false, false},
        {L"rows-asked", true, false, false},
        {L"zero-offsets", false, true, false},
        {L"empty-final-strip", false, false, true},
        {L"count-unknown", false, false, false, {0xFFFF, 0}},
    };
    const fixtures::ScopedEnvironment sheets(L"VANTREL_SCANNER_SHEETS", L"2");
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.quirks, c.quirks + std::wcslen(c.quirks)));
        const fixtures::ScopedEnvironment quirks(L"VANTREL_SCANNER_QUIRKS", c.quirks);
        Open();
        ASSERT_EQ(SetOne(CAP_FEEDERENABLED, TWTY_BOOL, 1), TWRC_SUCCESS);
        ASSERT_EQ(SetOne(ICAP_XFERMECH, TWTY_UINT16, TWSX_MEMORY), TWRC_SUCCESS);
        ASSERT_EQ(SetOne(ICAP_PIXELTYPE, TWTY_UINT16, TWPT_RGB), TWRC_SUCCESS);
        ASSERT_EQ(SetOne(ICAP_XRESOLUTION, TWTY_FIX32, 75), TWRC_SUCCESS);
        ASSERT_EQ(SetOne(ICAP_YRESOLUTION, TWTY_FIX32, 75), TWRC_SUCCESS);
        EnableUntilReady();
        std::vector<int> pages, counts;
        for (int sheet = 0; sheet < 2; ++sheet) {
            const Page page = TransferMemory(PixelFormat::Rgb24);
            ASSERT_EQ(page.rc, TWRC_XFERDONE);
            EXPECT_EQ(std::tuple(page.rowsAsked, page.zeroOffsets, page.endsEmpty), std::tuple(c.rowsAsked, c.zeroOffsets, c.endsEmpty));
            pages.push_back(page.number());
            counts.push_back(EndXfer());
        }
        EXPECT_EQ(pages, (std::vector<int>{1, 2}));
        EXPECT_EQ(counts, c.counts);
        Close();
    }
}

// The native DIB's habit as a driver's own shows it: a 1-bit page with no colour table and
// biClrUsed 0 (the rows right after the header). (resolution-unknown is the engine's end-to-end
// rows: their pages have no resolution only with the quirk.)
TEST_F(ScannerThroughDsm, QuirksBendTheNativeImageAsRealDriversDo) {
    const struct {
        const wchar_t* quirks;
        TW_UINT16 pixelType;
        DWORD colours;  // biClrUsed, and the table's entries in the block
    } cases[] = {
        {L"", TWPT_BW, 2},
        {L"bw-without-palette", TWPT_BW, 0},
        {L"bw-without-palette", TWPT_GRAY, 256},  // grey keeps its table
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.quirks, c.quirks + std::wcslen(c.quirks)) + " " + std::to_string(c.pixelType));
        const fixtures::ScopedEnvironment quirks(L"VANTREL_SCANNER_QUIRKS", c.quirks);
        Open();
        ASSERT_EQ(SetOne(ICAP_PIXELTYPE, TWTY_UINT16, c.pixelType), TWRC_SUCCESS);
        EnableUntilReady();
        TW_HANDLE handle = 0;
        ASSERT_EQ(Call(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &handle), TWRC_XFERDONE);
        const vantrel::UniqueGlobal block(FromTwain<HGLOBAL>(handle));
        const vantrel::GlobalLock<const BITMAPINFOHEADER> dib(block.get());
        ASSERT_TRUE(dib);
        const BITMAPINFOHEADER& h = *dib.get();
        EXPECT_EQ(h.biClrUsed, c.colours);
        EXPECT_EQ(::GlobalSize(block.get()), h.biSize + 4 * c.colours + h.biSizeImage);
        EXPECT_EQ(EndXfer(), 0);
        Close();
    }
}

// The files it writes (BMP, JFIF, Group 4 TIFF) are read back by the engine's end-to-end rows.
TEST_F(ScannerThroughDsm, FileTransferRefusesAFormatItDoesNotWrite) {
    Open();
    TW_SETUPFILEXFER setup{};
    std::strcpy(setup.FileName, (scratch_ / L"page.bmp").string().c_str());
    setup.Format = 99;
    ASSERT_EQ(SetOne(ICAP_XFERMECH, TWTY_UINT16, TWSX_FILE), TWRC_SUCCESS);
    EXPECT_EQ(Call(DG_CONTROL, DAT_SETUPFILEXFER, MSG_SET, &setup), TWRC_FAILURE);
    EXPECT_EQ(Status(), TWCC_BADVALUE);
}

// ICAP_FRAMES (a TW_FRAME in place of the TW_ONEVALUE's item) and DAT_IMAGELAYOUT are one frame
// both ways, and the page follows it.
TEST_F(ScannerThroughDsm, FramesAndTheImageLayoutAreOneFrame) {
    Open();
    const auto inches = [](double v) { return TW_FIX32{static_cast<std::int16_t>(v), static_cast<TW_UINT16>((v - static_cast<int>(v)) * 65536)}; };
    const vantrel::UniqueGlobal block(::GlobalAlloc(GHND, 2 + sizeof(TW_FRAME)));
    if (const vantrel::GlobalLock<std::uint8_t> bytes(block.get()); bytes) {
        const TW_FRAME frame{inches(0), inches(0), inches(2), inches(1.5)};
        bytes.get()[0] = TWTY_FRAME;
        std::memcpy(bytes.get() + 2, &frame, sizeof frame);
    }
    TW_CAPABILITY set{ICAP_FRAMES, TWON_ONEVALUE, ToTwain(block.get())};
    ASSERT_EQ(Call(DG_CONTROL, DAT_CAPABILITY, MSG_SET, &set), TWRC_SUCCESS);
    TW_IMAGELAYOUT layout{};
    ASSERT_EQ(Call(DG_IMAGE, DAT_IMAGELAYOUT, MSG_GET, &layout), TWRC_SUCCESS);
    EXPECT_EQ(std::tuple(layout.Frame.Right.Whole, layout.Frame.Bottom.Whole, layout.Frame.Bottom.Frac), std::tuple(2, 1, 0x8000));
    layout.Frame = {inches(1), inches(1), inches(3), inches(2)};
    ASSERT_EQ(Call(DG_IMAGE, DAT_IMAGELAYOUT, MSG_SET, &layout), TWRC_SUCCESS);
    TW_CAPABILITY get{ICAP_FRAMES, 0, 0};
    ASSERT_EQ(Call(DG_CONTROL, DAT_CAPABILITY, MSG_GETCURRENT, &get), TWRC_SUCCESS);
    const vantrel::UniqueGlobal answer(FromTwain<HGLOBAL>(get.hContainer));
    ASSERT_GE(::GlobalSize(answer.get()), 2 + sizeof(TW_FRAME));
    TW_FRAME frame{};
    if (const vantrel::GlobalLock<const std::uint8_t> bytes(answer.get()); bytes) std::memcpy(&frame, bytes.get() + 2, sizeof frame);
    EXPECT_EQ(std::tuple(frame.Left.Whole, frame.Top.Whole, frame.Right.Whole, frame.Bottom.Whole), std::tuple(1, 1, 3, 2));
    EnableUntilReady();
    BITMAPINFOHEADER header{};
    ASSERT_EQ(TransferNative(&header), TWRC_XFERDONE);
    EXPECT_EQ(std::pair(header.biWidth, header.biHeight), std::pair(200L, 100L)) << "2 x 1 inches at 100 dpi";
}

// With high-handles a 64-bit source hands out blocks above 4 GB, and so does the process until
// MSG_CLOSEDS gives the low 4 GB back; a 32-bit one is left as it is.
TEST_F(ScannerThroughDsm, HighHandlesLieAbove4GBUntilTheSourceCloses) {
    const fixtures::ScopedEnvironment quirk(L"VANTREL_SCANNER_QUIRKS", L"high-handles");
    const bool wide = sizeof(void*) == 8;
    const auto high = [](auto value) { return static_cast<std::uint64_t>(reinterpret_cast<UINT_PTR>(value)) > 0xFFFFFFFFu; };
    Open();
    TW_CAPABILITY capability{ICAP_PIXELTYPE, 0, 0};
    ASSERT_EQ(Call(DG_CONTROL, DAT_CAPABILITY, MSG_GET, &capability), TWRC_SUCCESS);
    const vantrel::UniqueGlobal container(FromTwain<HGLOBAL>(capability.hContainer));
    EnableUntilReady();
    TW_HANDLE handle = 0;
    ASSERT_EQ(Call(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &handle), TWRC_XFERDONE);
    const vantrel::UniqueGlobal dib(FromTwain<HGLOBAL>(handle));
    const vantrel::GlobalLock<const BITMAPINFOHEADER> header(dib.get());
    const vantrel::UniqueGlobal own(::GlobalAlloc(GMEM_FIXED, 1 << 20));
    EXPECT_EQ(std::tuple(high(container.get()), high(dib.get()), high(header.get()), high(own.get())), std::tuple(wide, wide, wide, wide));
    EXPECT_EQ(header.get()->biWidth, 400) << "the page is whole";
    EXPECT_EQ(EndXfer(), 0);
    Close();
    const vantrel::UniqueVirtualRegion after(::VirtualAlloc(nullptr, 1 << 20, MEM_RESERVE, PAGE_NOACCESS));
    EXPECT_FALSE(high(after.get())) << "the low 4 GB given back";
}

// A refused or failed transfer leaves the source where it was: refused in state 4, failed (no
// memory for the image) in state 6, where only the pending transfers can be reset.
TEST_F(ScannerThroughDsm, ARefusedOrFailedTransferLeavesTheStateAsItWas) {
    Open();
    for (const TW_UINT16 cap : {ICAP_XRESOLUTION, ICAP_YRESOLUTION}) { ASSERT_EQ(SetOne(cap, TWTY_FIX32, 1200), TWRC_SUCCESS); }
    ASSERT_EQ(SetOne(ICAP_SUPPORTEDSIZES, TWTY_UINT16, TWSS_A4), TWRC_SUCCESS);  // colour: about 417 MB
    EXPECT_EQ(TransferNative(), TWRC_FAILURE);
    EXPECT_EQ(Status(), TWCC_SEQERROR);
    EnableUntilReady();
    TW_HANDLE handle = 0xDEAD;
    EXPECT_EQ(Call(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &handle), TWRC_FAILURE);
    EXPECT_EQ(handle, 0u);
    EXPECT_EQ(Status(), TWCC_LOWMEMORY);
    EXPECT_EQ(Disable(), TWRC_FAILURE);
    EXPECT_EQ(Status(), TWCC_SEQERROR);
    TW_PENDINGXFERS pending{0xFFFF, 0};
    EXPECT_EQ(Call(DG_CONTROL, DAT_PENDINGXFERS, MSG_RESET, &pending), TWRC_SUCCESS);
    EXPECT_EQ(Disable(), TWRC_SUCCESS);
}

// Any TRUE shows the dialog: Vantrel.TWAIN passes the automation True (0xFFFF) as ShowUI.
TEST_F(ScannerThroughDsm, UserInterfaceScansWithTheChosenModeAndSizeAndCancelAsksToClose) {
    Open();
    ASSERT_EQ(Enable(window_.get(), 0xFFFF), TWRC_SUCCESS);
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
    const LRESULT size = ::SendMessageW(sizes, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(L"200 x 150"));
    ::SendMessageW(sizes, CB_SETCURSEL, static_cast<WPARAM>(size), 0);
    click(L"Scan");
    ASSERT_EQ(PumpUntilNotice(20000), MSG_XFERREADY);
    BITMAPINFOHEADER header{};
    ASSERT_EQ(TransferNative(&header), TWRC_XFERDONE);
    EXPECT_EQ(std::tuple(header.biWidth, header.biHeight, header.biBitCount), std::tuple(200, 150, 8));
    EXPECT_EQ(EndXfer(), 0);
    ASSERT_TRUE(::IsWindow(dialog)) << "the dialog stays for another scan until MSG_DISABLEDS";
    click(L"Cancel");
    ASSERT_EQ(PumpUntilNotice(20000), MSG_CLOSEDSREQ);
    ASSERT_EQ(Disable(), TWRC_SUCCESS);
    EXPECT_FALSE(::IsWindow(dialog));
    EXPECT_TRUE(::IsWindowEnabled(window_.get()));
}

}  // namespace
