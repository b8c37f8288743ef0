// The .ds loaded directly and DS_Entry called as a DSM would: the only way to see the notices an
// older DSM relies on (posted messages) and the memory functions a newer DSM hands over.
#include "scanner/tests/application.h"
#include "tests/fixtures/child_process.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace scanner_tests;

using DsEntryProc = TW_UINT16(__stdcall*)(TW_IDENTITY*, TW_UINT32, TW_UINT16, TW_UINT16, void*);
constexpr TW_UINT32 kSourceId = 7;  // the number a DSM gives the source

// A TWAIN 2 DSM as the source sees it: memory functions that count what they hand out, and a
// DSM_Entry that takes only DAT_NULL notices from the source to the application (else the test fails).
struct FakeDsm2 {
    static inline int allocated = 0;
    static inline std::vector<TW_UINT16> notices;

    static TW_UINT16 __stdcall Entry(TW_IDENTITY* origin, TW_IDENTITY* destination, TW_UINT32 dg, TW_UINT16 dat,
                                     TW_UINT16 msg, void*) {
        if (dg != DG_CONTROL || dat != DAT_NULL || !origin || origin->Id != kSourceId || !destination || destination->Id != 1) {
            ADD_FAILURE() << "unexpected call from the source: " << dg << " " << dat << " " << msg;
            return TWRC_FAILURE;
        }
        notices.push_back(msg);
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
    bool twain2;    // DAT_ENTRYPOINT given before opening
    bool parent;    // MSG_ENABLEDS names the application's window
    bool reenable;  // enabled, disabled and enabled again before the notice is taken
};

class DirectLoad : public Application, public ::testing::WithParamInterface<DirectCase> {
protected:
    void SetUp() override {
        module_.reset(::LoadLibraryW((fixtures::ProgramDirectory() / L"VantrelSampleScanner.ds").c_str()));
        ASSERT_TRUE(module_) << "VantrelSampleScanner.ds beside the test program";
        entry_ = reinterpret_cast<DsEntryProc>(reinterpret_cast<void*>(::GetProcAddress(module_.get(), "DS_Entry")));
        ASSERT_NE(entry_, nullptr) << "DS_Entry exported undecorated";
        application_.Id = 1;
        FakeDsm2::allocated = 0;
        FakeDsm2::notices.clear();
    }
    void TearDown() override {
        if (entry_) {
            TW_PENDINGXFERS pending{};
            Call(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending);
            Disable();
            Call(DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, nullptr);
        }
    }
    TW_UINT16 Call(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, void* data) override {
        return entry_(&application_, dg, dat, msg, data);
    }

    vantrel::UniqueModule module_;
    DsEntryProc entry_ = nullptr;
    TW_IDENTITY application_{};
};

TEST_P(DirectLoad, NoticesAndBlocksReachTheApplicationTheWayItsDsmExpects) {
    const DirectCase& c = GetParam();
    TW_ENTRYPOINT points{sizeof(TW_ENTRYPOINT), &FakeDsm2::Entry, &FakeDsm2::Allocate, &FakeDsm2::Free,
                         &FakeDsm2::Lock, &FakeDsm2::Unlock};
    if (c.twain2) {
        TW_ENTRYPOINT shortRecord = points;
        shortRecord.Size = 8;
        EXPECT_EQ(Call(DG_CONTROL, DAT_ENTRYPOINT, MSG_SET, &shortRecord), TWRC_FAILURE);
        ASSERT_EQ(Call(DG_CONTROL, DAT_ENTRYPOINT, MSG_SET, &points), TWRC_SUCCESS);
    }
    TW_IDENTITY source{};
    source.Id = kSourceId;
    ASSERT_EQ(Call(DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &source), TWRC_SUCCESS);
    ASSERT_EQ(SetOne(CAP_INDICATORS, TWTY_BOOL, 0), TWRC_SUCCESS);
    EXPECT_EQ(Ask(MSG_GET, ICAP_PIXELTYPE).conType, TWON_ENUMERATION);

    const HWND parent = c.parent ? window_.get() : nullptr;
    ASSERT_EQ(Enable(parent), TWRC_SUCCESS);
    EXPECT_TRUE(FakeDsm2::notices.empty()) << "not from inside MSG_ENABLEDS";
    if (c.reenable) {
        ASSERT_EQ(Disable(), TWRC_SUCCESS);
        MSG message;
        EXPECT_FALSE(::PeekMessageW(&message, nullptr, 0xC000, 0xFFFF, PM_REMOVE)) << "disabling drops the notice not yet taken";
        ASSERT_EQ(Enable(parent), TWRC_SUCCESS);
    }
    // A TWAIN 2 DSM hears the notice by DAT_NULL; else it is posted to hParent, or to the thread without one.
    MSG carrier{};
    carrier.hwnd = reinterpret_cast<HWND>(1);
    const TW_UINT16 posted = PumpUntilNotice(c.twain2 ? 500 : 10000, &carrier);
    EXPECT_EQ(c.twain2 ? FakeDsm2::notices : std::vector<TW_UINT16>{posted}, std::vector<TW_UINT16>{MSG_XFERREADY});
    if (!c.twain2) { EXPECT_EQ(carrier.hwnd, parent); }

    TW_HANDLE handle = 0;
    ASSERT_EQ(Call(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &handle), TWRC_XFERDONE);
    const vantrel::UniqueGlobal block(FromTwain<HGLOBAL>(handle));
    EXPECT_EQ(::GlobalFlags(block.get()) & GMEM_LOCKCOUNT, 0u) << "handed over unlocked";
    EXPECT_EQ(FakeDsm2::allocated, c.twain2 ? 2 : 0) << "the container and the image from the DSM's allocator";
    EXPECT_EQ(EndXfer(), 0);
}

INSTANTIATE_TEST_SUITE_P(Notices, DirectLoad,
                         ::testing::Values(DirectCase{"ToTheParentWindow", false, true, true},
                                           DirectCase{"ToTheThreadWithoutAParent", false, false, false},
                                           DirectCase{"ThroughATwain2Dsm", true, true, false}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
