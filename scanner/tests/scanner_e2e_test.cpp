// The .ds loaded directly and DS_Entry called as a DSM would: the only way to see the notices an
// older DSM relies on (posted messages) and the memory functions a newer DSM hands over.
#include "scanner/tests/application.h"
#include "tests/fixtures/child_process.h"
#include "tests/fixtures/scoped_environment.h"
#include "tests/fixtures/test_directory.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

namespace {

using namespace scanner_tests;

using DsEntryProc = TW_UINT16(__stdcall*)(TW_IDENTITY*, TW_UINT32, TW_UINT16, TW_UINT16, void*);
constexpr TW_UINT32 kSourceId = 7;  // the number a DSM gives the source

// A TWAIN 2 DSM as the source sees it: memory functions that count what they hand out, and a
// DSM_Entry that takes only DAT_NULL notices (anything else fails the test).
struct FakeDsm2 {
    static inline int allocated = 0;
    static inline std::vector<TW_UINT16> notices;
    static inline TW_UINT32 from = 0;
    static inline TW_UINT32 to = 0;

    static TW_UINT16 __stdcall Entry(TW_IDENTITY* origin, TW_IDENTITY* destination, TW_UINT32 dg, TW_UINT16 dat,
                                     TW_UINT16 msg, void*) {
        if (dg != DG_CONTROL || dat != DAT_NULL) {
            ADD_FAILURE() << "unexpected call from the source: " << dg << " " << dat << " " << msg;
            return TWRC_FAILURE;
        }
        notices.push_back(msg);
        from = origin ? origin->Id : 0xFFFF;
        to = destination ? destination->Id : 0xFFFF;
        return TWRC_SUCCESS;
    }
    static TW_HANDLE __stdcall Allocate(TW_UINT32 size) {
        ++allocated;
        return ToTwain(::GlobalAlloc(GMEM_MOVEABLE, size));
    }
    static void __stdcall Free(TW_HANDLE handle) { ::GlobalFree(FromTwain<HGLOBAL>(handle)); }
    static TW_MEMREF __stdcall Lock(TW_HANDLE handle) { return ToTwain(::GlobalLock(FromTwain<HGLOBAL>(handle))); }
    static void __stdcall Unlock(TW_HANDLE handle) { ::GlobalUnlock(FromTwain<HGLOBAL>(handle)); }
};

struct DirectCase {
    const char* name;
    bool twain2;     // DAT_ENTRYPOINT given before opening
    bool parent;     // MSG_ENABLEDS names the application's window
    bool reenable;   // enabled, disabled and enabled again before the notice is taken
    const wchar_t* mode;  // VANTREL_SCANNER_MODE and _SIZE, read at MSG_OPENDS
    const wchar_t* size;
    int width, height, bits;
    std::vector<std::string> log;  // the whole triplet log, when checked
};

class DirectLoad : public Application, public ::testing::WithParamInterface<DirectCase> {
protected:
    void SetUp() override {
        module_.reset(::LoadLibraryW((fixtures::ProgramDirectory() / L"VantrelSampleScanner.ds").c_str()));
        ASSERT_TRUE(module_) << "VantrelSampleScanner.ds beside the test program";
        entry_ = reinterpret_cast<DsEntryProc>(reinterpret_cast<void*>(::GetProcAddress(module_.get(), "DS_Entry")));
        ASSERT_NE(entry_, nullptr) << "DS_Entry exported undecorated";
        application_.Id = 1;
        application_.SupportedGroups = DG_CONTROL | DG_IMAGE;
    }
    void TearDown() override {
        if (entry_) {
            TW_PENDINGXFERS pending{};
            Call(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending);
            Disable();
            Call(DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, nullptr);
        }
        module_.reset();
    }
    TW_UINT16 Call(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, void* data) override {
        return entry_(&application_, dg, dat, msg, data);
    }

    // The source's first notice: through the fake DSM's DSM_Entry, or a posted message.
    TW_UINT16 WaitForNotice(bool twain2, MSG* carrier) {
        if (!twain2) return PumpUntilNotice(10000, carrier);
        const DWORD start = ::GetTickCount();
        while (FakeDsm2::notices.empty() && ::GetTickCount() - start < 10000) {
            MSG message;
            while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
                TW_EVENT event{ToTwain(&message), 0xFFFF};
                if (Call(DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &event) != TWRC_DSEVENT) ::DispatchMessageW(&message);
            }
            ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        }
        EXPECT_EQ(FakeDsm2::from, kSourceId) << "from the source as the DSM numbered it";
        EXPECT_EQ(FakeDsm2::to, application_.Id);
        return FakeDsm2::notices.size() == 1 ? FakeDsm2::notices[0] : MSG_NULL;
    }

    vantrel::UniqueModule module_;
    DsEntryProc entry_ = nullptr;
    TW_IDENTITY application_{};
    const fixtures::TestDirectory scratch_{L"scanner-direct"};
};

TEST_P(DirectLoad, NoticesAndBlocksReachTheApplicationTheWayItsDsmExpects) {
    const DirectCase& c = GetParam();
    const fixtures::ScopedEnvironment log(L"VANTREL_SCANNER_LOG", (scratch_ / L"triplets.log").wstring());
    const fixtures::ScopedEnvironment mode(L"VANTREL_SCANNER_MODE", c.mode);
    const fixtures::ScopedEnvironment size(L"VANTREL_SCANNER_SIZE", c.size);
    TW_ENTRYPOINT points{sizeof(TW_ENTRYPOINT), &FakeDsm2::Entry, &FakeDsm2::Allocate, &FakeDsm2::Free,
                         &FakeDsm2::Lock, &FakeDsm2::Unlock};
    FakeDsm2::allocated = 0;
    FakeDsm2::notices.clear();
    if (c.twain2) {
        TW_ENTRYPOINT shortRecord = points;
        shortRecord.Size = 8;
        EXPECT_EQ(Call(DG_CONTROL, DAT_ENTRYPOINT, MSG_SET, &shortRecord), TWRC_FAILURE);
        ASSERT_EQ(Call(DG_CONTROL, DAT_ENTRYPOINT, MSG_SET, &points), TWRC_SUCCESS);
    }
    TW_IDENTITY source{};
    source.Id = kSourceId;
    ASSERT_EQ(Call(DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &source), TWRC_SUCCESS);
    EXPECT_EQ(source.Id, kSourceId);
    ASSERT_EQ(SetOne(CAP_INDICATORS, TWTY_BOOL, 0), TWRC_SUCCESS);
    EXPECT_EQ(Ask(MSG_GET, ICAP_PIXELTYPE).conType, TWON_ENUMERATION);

    HiddenWindow application;
    const HWND parent = c.parent ? application.get() : nullptr;
    ASSERT_EQ(Enable(parent), TWRC_SUCCESS);
    EXPECT_TRUE(FakeDsm2::notices.empty()) << "not from inside MSG_ENABLEDS";
    if (c.reenable) {
        ASSERT_EQ(Disable(), TWRC_SUCCESS);
        MSG message;
        int registered = 0;  // RegisterWindowMessage numbers lie in 0xC000..0xFFFF
        while (::PeekMessageW(&message, nullptr, 0xC000, 0xFFFF, PM_REMOVE)) ++registered;
        EXPECT_EQ(registered, 0) << "disabling drops the notice not yet taken";
        ASSERT_EQ(Enable(parent), TWRC_SUCCESS);
    }
    MSG carrier{};
    carrier.hwnd = reinterpret_cast<HWND>(1);
    ASSERT_EQ(WaitForNotice(c.twain2, &carrier), MSG_XFERREADY);
    if (!c.twain2) { EXPECT_EQ(carrier.hwnd, parent) << "posted to hParent, else to the thread"; }

    TW_HANDLE handle = 0;
    ASSERT_EQ(Call(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &handle), TWRC_XFERDONE);
    const vantrel::UniqueGlobal block(FromTwain<HGLOBAL>(handle));
    EXPECT_EQ(::GlobalFlags(block.get()) & GMEM_LOCKCOUNT, 0u) << "handed over unlocked";
    BITMAPINFOHEADER header{};
    if (const vantrel::GlobalLock<const BITMAPINFOHEADER> dib(block.get()); dib) header = *dib.get();
    EXPECT_EQ(header.biWidth, c.width);
    EXPECT_EQ(header.biHeight, c.height);
    EXPECT_EQ(header.biBitCount, c.bits);
    EXPECT_EQ(FakeDsm2::allocated, c.twain2 ? 2 : 0) << "the container and the image from the DSM's allocator";
    EXPECT_EQ(EndXfer(), 0);
    ASSERT_EQ(Disable(), TWRC_SUCCESS);
    ASSERT_EQ(Call(DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, nullptr), TWRC_SUCCESS);
    if (c.log.empty()) return;
    std::ifstream file(scratch_ / L"triplets.log");
    std::vector<std::string> lines;
    for (std::string line; std::getline(file, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.ends_with("TWRC_NOTDSEVENT") || line.ends_with("TWRC_DSEVENT")) continue;  // not the source's
        lines.push_back(line);
    }
    EXPECT_EQ(lines, c.log);
}

INSTANTIATE_TEST_SUITE_P(
    Notices, DirectLoad,
    ::testing::Values(
        DirectCase{"ToTheParentWindow", false, true, true, L"color", L"123x45", 123, 45, 24, {}},
        DirectCase{"ToTheThreadWithoutAParent", false, false, false, L"bw", L"77x50", 77, 50, 1,
                   {"DG_CONTROL DAT_IDENTITY MSG_OPENDS 3->4 TWRC_SUCCESS",
                    "DG_CONTROL DAT_CAPABILITY MSG_SET 4->4 TWRC_SUCCESS",
                    "DG_CONTROL DAT_CAPABILITY MSG_GET 4->4 TWRC_SUCCESS",
                    "DG_CONTROL DAT_USERINTERFACE MSG_ENABLEDS 4->5 TWRC_SUCCESS",
                    "DG_CONTROL DAT_EVENT MSG_PROCESSEVENT 5->6 TWRC_DSEVENT MSG_XFERREADY",
                    "DG_IMAGE DAT_IMAGENATIVEXFER MSG_GET 6->7 TWRC_XFERDONE 77 x 50, 1-bit black and white",
                    "DG_CONTROL DAT_PENDINGXFERS MSG_ENDXFER 7->5 TWRC_SUCCESS",
                    "DG_CONTROL DAT_USERINTERFACE MSG_DISABLEDS 5->4 TWRC_SUCCESS",
                    "DG_CONTROL DAT_IDENTITY MSG_CLOSEDS 4->3 TWRC_SUCCESS"}},
        DirectCase{"ThroughATwain2Dsm", true, true, false, L"gray", L"201x77", 201, 77, 8, {}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
