// The sample scanner end to end: the .ds loaded as a DSM loads it and driven through whole acquisitions.
#include "scanner/tests/application.h"
#include "scanner/progress_window.h"
#include "scanner/scan_dialog.h"
#include "scanner/twain_source_records.h"
#include "tests/fixtures/child_process.h"
#include "tests/fixtures/scoped_environment.h"
#include "tests/fixtures/test_directory.h"
#include "win32/win32_owners.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

namespace {

using namespace scanner_tests;

using DsEntryProc = TW_UINT16(__stdcall*)(TW_IDENTITY*, TW_UINT32, TW_UINT16, TW_UINT16, void*);

constexpr const wchar_t* kDialogClass = vantrel::scanner::ScanDialog::kClassName;
constexpr const wchar_t* kProgressClass = vantrel::scanner::ProgressWindow::kClassName;

// Whether the current thread made a progress window while it was watched.
class ProgressWatch {
public:
    ProgressWatch() : hook_(::SetWindowsHookExW(WH_CBT, &OnCbt, nullptr, ::GetCurrentThreadId())) { seen() = false; }
    ProgressWatch(const ProgressWatch&) = delete;
    ProgressWatch& operator=(const ProgressWatch&) = delete;
    ~ProgressWatch() { ::UnhookWindowsHookEx(hook_); }
    bool Saw() const { return seen(); }
    explicit operator bool() const { return hook_ != nullptr; }

private:
    static bool& seen() {
        static bool value = false;
        return value;
    }
    static LRESULT CALLBACK OnCbt(int code, WPARAM wParam, LPARAM lParam) {
        wchar_t name[64] = {};
        if (code == HCBT_CREATEWND && ::GetClassNameW(reinterpret_cast<HWND>(wParam), name, 64) &&
            std::wstring(name) == kProgressClass)
            seen() = true;
        return ::CallNextHookEx(nullptr, code, wParam, lParam);
    }
    HHOOK hook_;
};

// A packed DIB as the application receives it: its header, and whether the block holds all it announces.
std::optional<BITMAPINFOHEADER> ReadDib(HGLOBAL block) {
    const SIZE_T size = ::GlobalSize(block);
    const vantrel::GlobalLock<const std::uint8_t> bytes(block);
    BITMAPINFOHEADER header;
    if (!bytes || size < sizeof header) return std::nullopt;
    std::memcpy(&header, bytes.get(), sizeof header);
    if (header.biSize != sizeof header || header.biSize + header.biClrUsed * sizeof(RGBQUAD) + header.biSizeImage > size)
        return std::nullopt;
    return header;
}

// The application's side of the conversation, making the calls a DSM forwards to a source.
class ScannerTest : public Application {
protected:
    void SetUp() override {
        log_.emplace(L"VANTREL_SCANNER_LOG", (scratch_ / L"triplets.log").wstring());
        module_.reset(::LoadLibraryW((fixtures::ProgramDirectory() / L"VantrelSampleScanner.ds").c_str()));
        ASSERT_TRUE(module_) << "VantrelSampleScanner.ds beside the test program";
        entry_ = reinterpret_cast<DsEntryProc>(reinterpret_cast<void*>(::GetProcAddress(module_.get(), "DS_Entry")));
        ASSERT_NE(entry_, nullptr) << "DS_Entry exported undecorated";
        application_.Id = 1;
        application_.ProtocolMajor = 1;
        application_.ProtocolMinor = 9;
        application_.SupportedGroups = DG_CONTROL | DG_IMAGE;
        std::strcpy(application_.ProductName, "Scanner end-to-end test");
    }

    // Whatever a failed test left behind is unwound in protocol order before the module goes.
    void TearDown() override {
        if (entry_) {
            TW_PENDINGXFERS pending{};
            Call(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending);
            Disable();
            Call(DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, nullptr);
        }
        module_.reset();
        log_.reset();
    }

    TW_UINT16 Call(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, void* data) override {
        return entry_(&application_, dg, dat, msg, data);
    }

    void Open() {
        TW_IDENTITY source{};
        source.Id = 7;  // the number the DSM gives the source
        ASSERT_EQ(Call(DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &source), TWRC_SUCCESS);
        EXPECT_EQ(source.Id, 7u);
        EXPECT_STREQ(source.ProductName, "Vantrel Sample Scanner");
    }

    // The log without the PROCESSEVENT calls for messages that were not the source's.
    std::vector<std::string> LogLines() {
        std::ifstream file(scratch_ / L"triplets.log");
        std::vector<std::string> lines;
        for (std::string line; std::getline(file, line);) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (line.find("TWRC_NOTDSEVENT") != std::string::npos) continue;
            if (line.find("TWRC_DSEVENT") != std::string::npos &&
                line.rfind("TWRC_DSEVENT") + std::strlen("TWRC_DSEVENT") == line.size())
                continue;  // a message our dialog handled
            lines.push_back(line);
        }
        return lines;
    }

    vantrel::UniqueModule module_;
    DsEntryProc entry_ = nullptr;
    TW_IDENTITY application_{};
    const fixtures::TestDirectory scratch_{L"scanner-e2e"};
    std::optional<fixtures::ScopedEnvironment> log_;
};

TEST_F(ScannerTest, IdentityIsDescribedBeforeOpeningAndTheDsmsIdKept) {
    TW_IDENTITY identity;
    std::memset(&identity, 0x5A, sizeof identity);
    identity.Id = 42;
    ASSERT_EQ(Call(DG_CONTROL, DAT_IDENTITY, MSG_GET, &identity), TWRC_SUCCESS);
    EXPECT_EQ(identity.Id, 42u);
    EXPECT_STREQ(identity.ProductName, "Vantrel Sample Scanner");
    EXPECT_EQ(identity.SupportedGroups, DG_CONTROL | DG_IMAGE | DF_DS2);
    EXPECT_EQ(LogLines(), (std::vector<std::string>{"DG_CONTROL DAT_IDENTITY MSG_GET 3->3 TWRC_SUCCESS"}));
}

struct Acquisition {
    const wchar_t* mode;  // VANTREL_SCANNER_MODE
    const wchar_t* size;  // VANTREL_SCANNER_SIZE
    int width;
    int height;
    int bits;
    std::uint32_t paletteEntries;
    TW_UINT16 pixelType;
    const char* label;
};

class FullAcquisition : public ScannerTest, public ::testing::WithParamInterface<Acquisition> {};

TEST_P(FullAcquisition, DeliversTheChartAndWalksTheStatesInOrder) {
    const Acquisition& a = GetParam();
    const fixtures::ScopedEnvironment mode(L"VANTREL_SCANNER_MODE", a.mode);
    const fixtures::ScopedEnvironment size(L"VANTREL_SCANNER_SIZE", a.size);
    HiddenWindow application;
    ASSERT_NE(application.get(), nullptr);

    Open();
    ASSERT_EQ(SetOne(CAP_INDICATORS, TWTY_BOOL, 0), TWRC_SUCCESS);
    EXPECT_EQ(Ask(MSG_GETCURRENT, ICAP_PIXELTYPE).OneItem() & 0xFFFF, a.pixelType);
    EXPECT_EQ(Ask(MSG_GETCURRENT, ICAP_BITDEPTH).OneItem() & 0xFFFF, static_cast<TW_UINT32>(a.bits));

    ASSERT_EQ(Enable(application.get()), TWRC_SUCCESS);
    MSG carrier{};
    ASSERT_EQ(PumpUntilNotice(10000, &carrier), MSG_XFERREADY);
    EXPECT_EQ(carrier.hwnd, application.get()) << "the notice is posted to hParent";

    TW_IMAGEINFO info{};
    ASSERT_EQ(Call(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info), TWRC_SUCCESS);
    EXPECT_EQ(info.ImageWidth, a.width);
    EXPECT_EQ(info.ImageLength, a.height);
    EXPECT_EQ(info.BitsPerPixel, a.bits);
    EXPECT_EQ(info.PixelType, a.pixelType);
    EXPECT_EQ(info.SamplesPerPixel, a.bits == 24 ? 3 : 1);
    EXPECT_GT(info.XResolution.Whole, 0);

    TW_HANDLE handle = 0;
    ASSERT_EQ(Call(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &handle), TWRC_XFERDONE);
    ASSERT_NE(handle, 0u);
    HGLOBAL block = FromTwain<HGLOBAL>(handle);
    EXPECT_EQ(::GlobalFlags(block) & GMEM_LOCKCOUNT, 0u) << "handed over unlocked";
    const std::optional<BITMAPINFOHEADER> dib = ReadDib(block);
    EXPECT_EQ(::GlobalFree(block), nullptr);
    ASSERT_TRUE(dib) << "a well-formed packed DIB that fits its block";
    EXPECT_EQ(dib->biWidth, a.width);
    EXPECT_EQ(dib->biHeight, a.height);
    EXPECT_EQ(dib->biBitCount, a.bits);
    EXPECT_EQ(dib->biSizeImage, (static_cast<std::uint32_t>(a.width) * a.bits + 31) / 32 * 4 * static_cast<std::uint32_t>(a.height));
    EXPECT_EQ(dib->biClrUsed, a.paletteEntries);

    EXPECT_EQ(EndXfer(), 0);
    ASSERT_EQ(Disable(), TWRC_SUCCESS);
    ASSERT_EQ(Call(DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, nullptr), TWRC_SUCCESS);

    const std::vector<std::string> expected = {
        "DG_CONTROL DAT_IDENTITY MSG_OPENDS 3->4 TWRC_SUCCESS",
        "DG_CONTROL DAT_CAPABILITY MSG_SET 4->4 TWRC_SUCCESS",
        "DG_CONTROL DAT_CAPABILITY MSG_GETCURRENT 4->4 TWRC_SUCCESS",
        "DG_CONTROL DAT_CAPABILITY MSG_GETCURRENT 4->4 TWRC_SUCCESS",
        "DG_CONTROL DAT_USERINTERFACE MSG_ENABLEDS 4->5 TWRC_SUCCESS",
        "DG_CONTROL DAT_EVENT MSG_PROCESSEVENT 5->6 TWRC_DSEVENT MSG_XFERREADY",
        "DG_IMAGE DAT_IMAGEINFO MSG_GET 6->6 TWRC_SUCCESS",
        std::string("DG_IMAGE DAT_IMAGENATIVEXFER MSG_GET 6->7 TWRC_XFERDONE ") + a.label,
        "DG_CONTROL DAT_PENDINGXFERS MSG_ENDXFER 7->5 TWRC_SUCCESS",
        "DG_CONTROL DAT_USERINTERFACE MSG_DISABLEDS 5->4 TWRC_SUCCESS",
        "DG_CONTROL DAT_IDENTITY MSG_CLOSEDS 4->3 TWRC_SUCCESS",
    };
    EXPECT_EQ(LogLines(), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Modes, FullAcquisition,
    ::testing::Values(Acquisition{L"color", L"123x45", 123, 45, 24, 0, TWPT_RGB, "123 x 45, 24-bit colour"},
                      Acquisition{L"gray", L"201x77", 201, 77, 8, 256, TWPT_GRAY, "201 x 77, 8-bit grey"},
                      Acquisition{L"bw", L"77x50", 77, 50, 1, 2, TWPT_BW, "77 x 50, 1-bit black and white"}));

// Only the admission per state is the state table's (tested natively); here, what a refusal does.
TEST_F(ScannerTest, TripletsInTheWrongStateFailWithSequenceErrorsAndChangeNothing) {
    struct Refused {
        TW_UINT32 dg;
        TW_UINT16 dat;
        TW_UINT16 msg;
    };
    alignas(8) std::uint8_t data[sizeof(TW_IDENTITY)] = {};
    int refusals = 0;
    const auto refuse = [&](std::initializer_list<Refused> calls, TW_UINT16 condition = TWCC_SEQERROR) {
        for (const Refused& r : calls) {
            std::memset(data, 0, sizeof data);
            EXPECT_EQ(Call(r.dg, r.dat, r.msg, data), TWRC_FAILURE) << r.dat << " " << r.msg;
            EXPECT_EQ(Status(), condition) << r.dat << " " << r.msg;
            refusals += condition == TWCC_SEQERROR ? 1 : 0;
        }
    };
    HiddenWindow application;
    EXPECT_EQ(Call(DG_CONTROL, DAT_CAPABILITY, MSG_GET, data), TWRC_FAILURE);  // 3: not open, so no status either
    ++refusals;
    Open();
    refuse({{DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET}, {DG_IMAGE, DAT_IMAGEINFO, MSG_GET},
            {DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS}, {DG_CONTROL, DAT_IDENTITY, MSG_OPENDS}});  // 4
    EXPECT_EQ(Status(), TWCC_SUCCESS) << "DAT_STATUS clears the condition it reported";
    refuse({{DG_IMAGE, DAT_IMAGEMEMXFER, MSG_SET}, {0x0004, DAT_CAPABILITY, MSG_GET}}, TWCC_BADPROTOCOL);  // not served
    ASSERT_EQ(Enable(application.get()), TWRC_SUCCESS);
    refuse({{DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS}, {DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS},
            {DG_CONTROL, DAT_CAPABILITY, MSG_SET}, {DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET},
            {DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER}});  // 5, before the application has taken MSG_XFERREADY
    ASSERT_EQ(PumpUntilNotice(10000), MSG_XFERREADY);
    refuse({{DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS}});  // 6
    TW_PENDINGXFERS pending{0xFFFF, 0};
    EXPECT_EQ(Call(DG_CONTROL, DAT_PENDINGXFERS, MSG_RESET, &pending), TWRC_SUCCESS);
    EXPECT_EQ(pending.Count, 0);
    refuse({{DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET}});  // 5 again

    int logged = 0;
    for (const std::string& line : LogLines()) {
        if (line.find("TWCC_SEQERROR") == std::string::npos) continue;
        ++logged;
        const std::size_t arrow = line.find("->");
        ASSERT_NE(arrow, std::string::npos) << line;
        EXPECT_EQ(line[arrow - 1], line[arrow + 2]) << "a refused call changes no state: " << line;
    }
    EXPECT_EQ(logged, refusals);
}

// Runs one acquisition without user interface and reports which windows the source made.
class IndicatorsTest : public ScannerTest, public ::testing::WithParamInterface<bool> {};

TEST_P(IndicatorsTest, ProgressWindowShownDuringTheTransferOnlyWhenIndicatorsAreOn) {
    const bool indicators = GetParam();
    const fixtures::ScopedEnvironment size(L"VANTREL_SCANNER_SIZE", L"64x48");
    HiddenWindow application;
    Open();
    ASSERT_EQ(SetOne(CAP_INDICATORS, TWTY_BOOL, indicators ? 1 : 0), TWRC_SUCCESS);
    ASSERT_EQ(Enable(application.get()), TWRC_SUCCESS);
    ASSERT_EQ(PumpUntilNotice(10000), MSG_XFERREADY);
    TW_HANDLE handle = 0;
    {
        const ProgressWatch watch;
        ASSERT_TRUE(watch);
        ASSERT_EQ(Call(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &handle), TWRC_XFERDONE);
        EXPECT_EQ(watch.Saw(), indicators);
    }
    ::GlobalFree(FromTwain<HGLOBAL>(handle));
    EXPECT_EQ(::FindWindowW(kProgressClass, nullptr), nullptr) << "closed once the transfer is done";
}

INSTANTIATE_TEST_SUITE_P(OnAndOff, IndicatorsTest, ::testing::Bool());

TEST_F(ScannerTest, WithoutAParentWindowTheNoticeComesThroughTheThreadQueue) {
    Open();
    ASSERT_EQ(Enable(nullptr), TWRC_SUCCESS);
    MSG carrier{};
    carrier.hwnd = reinterpret_cast<HWND>(1);
    ASSERT_EQ(PumpUntilNotice(10000, &carrier), MSG_XFERREADY);
    EXPECT_EQ(carrier.hwnd, nullptr);
}

TEST_F(ScannerTest, MessagesThatAreNotTheSourcesArePassedOn) {
    HiddenWindow application;
    Open();
    ASSERT_EQ(Enable(application.get()), TWRC_SUCCESS);
    MSG foreign{application.get(), WM_USER + 5, 1, 2, 0, {}};
    TW_EVENT event{ToTwain(&foreign), 0xFFFF};
    EXPECT_EQ(Call(DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &event), TWRC_NOTDSEVENT);
    EXPECT_EQ(event.TWMessage, MSG_NULL);
    EXPECT_EQ(PumpUntilNotice(10000), MSG_XFERREADY) << "the notice still waits in the queue";
}

TEST_F(ScannerTest, DisablingDropsANoticeTheApplicationHasNotTaken) {
    HiddenWindow application;
    Open();
    ASSERT_EQ(Enable(application.get()), TWRC_SUCCESS);
    ASSERT_EQ(Disable(), TWRC_SUCCESS);
    MSG message;
    int registered = 0;  // RegisterWindowMessage numbers lie in 0xC000..0xFFFF
    while (::PeekMessageW(&message, nullptr, 0xC000, 0xFFFF, PM_REMOVE)) ++registered;
    EXPECT_EQ(registered, 0);
    // Enabled again, the source posts a fresh notice exactly once.
    ASSERT_EQ(Enable(application.get()), TWRC_SUCCESS);
    EXPECT_EQ(PumpUntilNotice(10000), MSG_XFERREADY);
    EXPECT_EQ(PumpUntilNotice(300), MSG_NULL);
}

TEST_F(ScannerTest, UserInterfaceScansWithTheChosenModeAndSize) {
    HiddenWindow application;
    Open();
    ASSERT_EQ(Enable(application.get(), true, true), TWRC_SUCCESS);
    HWND dialog = ::FindWindowW(kDialogClass, nullptr);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(::GetWindow(dialog, GW_OWNER), application.get());
    EXPECT_FALSE(::IsWindowEnabled(application.get())) << "a modal user interface disables its owner";
    EXPECT_EQ(PumpUntilNotice(300), MSG_NULL) << "nothing is ready until the user presses Scan";

    HWND grey = ::FindWindowExW(dialog, nullptr, L"Button", L"Grey 8-bit");
    ASSERT_NE(grey, nullptr);
    ::SendMessageW(grey, BM_CLICK, 0, 0);
    HWND sizes = ::FindWindowExW(dialog, nullptr, L"ComboBox", nullptr);
    ASSERT_NE(sizes, nullptr);
    const LRESULT index = ::SendMessageW(sizes, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(L"200 x 150"));
    ASSERT_NE(index, CB_ERR);
    ::SendMessageW(sizes, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    HWND scan = ::FindWindowExW(dialog, nullptr, L"Button", L"Scan");
    ASSERT_NE(scan, nullptr);
    ::SendMessageW(scan, BM_CLICK, 0, 0);
    ASSERT_EQ(PumpUntilNotice(10000), MSG_XFERREADY);

    TW_IMAGEINFO info{};
    ASSERT_EQ(Call(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info), TWRC_SUCCESS);
    EXPECT_EQ(info.ImageWidth, 200);
    EXPECT_EQ(info.ImageLength, 150);
    EXPECT_EQ(info.BitsPerPixel, 8);
    TW_HANDLE handle = 0;
    ASSERT_EQ(Call(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &handle), TWRC_XFERDONE);
    ::GlobalFree(FromTwain<HGLOBAL>(handle));
    EndXfer();
    EXPECT_TRUE(::IsWindow(dialog)) << "the dialog stays for another scan until MSG_DISABLEDS";

    ASSERT_EQ(Disable(), TWRC_SUCCESS);
    EXPECT_FALSE(::IsWindow(dialog));
    EXPECT_TRUE(::IsWindowEnabled(application.get()));
}

TEST_F(ScannerTest, UserInterfaceCancelAsksTheApplicationToClose) {
    HiddenWindow application;
    Open();
    ASSERT_EQ(Enable(application.get(), true), TWRC_SUCCESS);
    HWND dialog = ::FindWindowW(kDialogClass, nullptr);
    ASSERT_NE(dialog, nullptr);
    HWND cancel = ::FindWindowExW(dialog, nullptr, L"Button", L"Cancel");
    ASSERT_NE(cancel, nullptr);
    ::SendMessageW(cancel, BM_CLICK, 0, 0);
    ASSERT_EQ(PumpUntilNotice(10000), MSG_CLOSEDSREQ);
    TW_HANDLE handle = 0;
    EXPECT_EQ(Call(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &handle), TWRC_FAILURE) << "no image after a cancel";
    ASSERT_EQ(Disable(), TWRC_SUCCESS);
    EXPECT_FALSE(::IsWindow(dialog));
    const std::vector<std::string> lines = LogLines();
    EXPECT_NE(std::find(lines.begin(), lines.end(), "DG_CONTROL DAT_EVENT MSG_PROCESSEVENT 5->5 TWRC_DSEVENT MSG_CLOSEDSREQ"),
              lines.end());
}

}  // namespace

namespace {

// A TWAIN 2 DSM as the source sees it: entry points whose memory functions count what they
// hand out, and a DSM_Entry that takes only DAT_NULL notices (anything else fails the test).
struct FakeDsm2 {
    static inline int allocated = 0;
    static inline int freed = 0;
    static inline std::vector<TW_UINT16> notices;
    static inline TW_UINT32 noticeOrigin = 0;
    static inline TW_UINT32 noticeDestination = 0;

    static TW_UINT16 __stdcall Entry(TW_IDENTITY* origin, TW_IDENTITY* destination, TW_UINT32 dg, TW_UINT16 dat,
                                     TW_UINT16 msg, void*) {
        if (dg != DG_CONTROL || dat != DAT_NULL) {
            ADD_FAILURE() << "unexpected call from the source: " << dg << " " << dat << " " << msg;
            return TWRC_FAILURE;
        }
        notices.push_back(msg);
        noticeOrigin = origin ? origin->Id : 0xFFFF;
        noticeDestination = destination ? destination->Id : 0xFFFF;
        return TWRC_SUCCESS;
    }
    static TW_HANDLE __stdcall Allocate(TW_UINT32 size) {
        ++allocated;
        return ToTwain(::GlobalAlloc(GMEM_MOVEABLE, size));
    }
    static void __stdcall Free(TW_HANDLE handle) {
        ++freed;
        ::GlobalFree(FromTwain<HGLOBAL>(handle));
    }
    static TW_MEMREF __stdcall Lock(TW_HANDLE handle) { return ToTwain(::GlobalLock(FromTwain<HGLOBAL>(handle))); }
    static void __stdcall Unlock(TW_HANDLE handle) { ::GlobalUnlock(FromTwain<HGLOBAL>(handle)); }

    static TW_ENTRYPOINT Points() {
        allocated = freed = 0;
        notices.clear();
        return {sizeof(TW_ENTRYPOINT), &Entry, &Allocate, &Free, &Lock, &Unlock};
    }
};

TEST_F(ScannerTest, UnderATwain2DsmNoticesGoThroughItAndEveryBlockThroughItsMemoryFunctions) {
    TW_ENTRYPOINT points = FakeDsm2::Points();
    TW_ENTRYPOINT shortRecord = points;
    shortRecord.Size = 8;
    EXPECT_EQ(Call(DG_CONTROL, DAT_ENTRYPOINT, MSG_SET, &shortRecord), TWRC_FAILURE);
    ASSERT_EQ(Call(DG_CONTROL, DAT_ENTRYPOINT, MSG_SET, &points), TWRC_SUCCESS);
    Open();
    ASSERT_EQ(SetOne(CAP_INDICATORS, TWTY_BOOL, 0), TWRC_SUCCESS);
    TW_CAPABILITY capability{ICAP_PIXELTYPE, 0, 0};
    ASSERT_EQ(Call(DG_CONTROL, DAT_CAPABILITY, MSG_GET, &capability), TWRC_SUCCESS);
    EXPECT_EQ(capability.ConType, TWON_ENUMERATION);
    EXPECT_EQ(FakeDsm2::allocated, 1) << "the container came from the DSM's allocator";
    FakeDsm2::Free(capability.hContainer);

    HiddenWindow application;
    ASSERT_EQ(Enable(application.get()), TWRC_SUCCESS);
    EXPECT_TRUE(FakeDsm2::notices.empty()) << "not from inside MSG_ENABLEDS";
    const DWORD start = ::GetTickCount();
    MSG message;
    while (FakeDsm2::notices.empty() && ::GetTickCount() - start < 10000) {
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TW_EVENT event{ToTwain(&message), 0xFFFF};
            if (Call(DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &event) == TWRC_DSEVENT) continue;
            ::DispatchMessageW(&message);
        }
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
    ASSERT_EQ(FakeDsm2::notices, (std::vector<TW_UINT16>{MSG_XFERREADY}));
    EXPECT_EQ(FakeDsm2::noticeOrigin, 7u) << "from the source as the DSM numbered it";
    EXPECT_EQ(FakeDsm2::noticeDestination, application_.Id);

    TW_HANDLE handle = 0;
    ASSERT_EQ(Call(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &handle), TWRC_XFERDONE) << "state 6 since the notice";
    EXPECT_EQ(FakeDsm2::allocated, 2) << "the image too";
    EXPECT_TRUE(ReadDib(FromTwain<HGLOBAL>(handle)));
    FakeDsm2::Free(handle);
    EndXfer();
    EXPECT_EQ(FakeDsm2::freed, FakeDsm2::allocated);
}

}  // namespace
