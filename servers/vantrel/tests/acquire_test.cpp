// Acquire against the stand-in DSM: the requests on every path, the loop, delivery and the image block's owner.
#include "servers/vantrel/twain_object.h"

#include "tests/fixtures/message_box_watcher.h"
#include "tests/fixtures/stand_in_dsm/stand_in_dsm_client.h"
#include "tests/fixtures/stand_in_dsm/stand_in_expectations.h"
#include "tests/fixtures/test_directory.h"
#include "win32/win32_owners.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace vantrel {
namespace {

using namespace twain;
using enum Outcome;
using fixtures::MessageBoxWatcher;
using standin::Call;
using standin::StandInDsm;

constexpr std::int32_t kOwner = 0x00010203;

struct Triplet {
    TW_UINT32 dg;
    TW_UINT16 dat;
    TW_UINT16 msg;
    bool operator==(const Triplet&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Triplet& t) {
    return out << "{" << t.dg << "," << std::hex << t.dat << "," << t.msg << std::dec << "}";
}

const Triplet OpenDS{DG_CONTROL, DAT_IDENTITY, MSG_OPENDS};
const Triplet CloseDS{DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS};
const Triplet SetCap{DG_CONTROL, DAT_CAPABILITY, MSG_SET};
const Triplet EnableDS{DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS};
const Triplet DisableDS{DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS};
const Triplet Event{DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT};
const Triplet ImageInfo{DG_IMAGE, DAT_IMAGEINFO, MSG_GET};
const Triplet NativeXfer{DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET};
const Triplet EndXfer{DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER};
const Triplet ResetXfer{DG_CONTROL, DAT_PENDINGXFERS, MSG_RESET};
const Triplet CloseDSM{DG_CONTROL, DAT_PARENT, MSG_CLOSEDSM};

// A 4 x 2 pixel, 24-bit bottom-up DIB: 40-byte header and two 12-byte rows.
std::vector<std::uint8_t> SmallDib() {
    std::vector<std::uint8_t> dib(64, 0);
    const std::uint32_t header[] = {40, 4, 2};
    std::memcpy(dib.data(), header, sizeof header);
    dib[12] = 1;   // planes
    dib[14] = 24;  // bits
    dib[20] = 24;  // biSizeImage
    for (std::size_t i = 40; i < dib.size(); ++i) dib[i] = static_cast<std::uint8_t>(i * 7);
    return dib;
}

std::vector<std::uint8_t> ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool BlockIsAlive(std::uint32_t handle) {
    return ::GlobalSize(reinterpret_cast<HGLOBAL>(static_cast<std::uintptr_t>(handle))) != 0;
}

// A window of the test's own, to see what Acquire's loop dispatches.
class TestWindow {
public:
    TestWindow() {
        WNDCLASSW wc{};
        wc.lpfnWndProc = &TestWindow::Proc;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = L"VantrelAcquireTestWindow";
        ::RegisterClassW(&wc);
        hwnd_ = ::CreateWindowW(wc.lpszClassName, L"", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr, wc.hInstance, nullptr);
        ::SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~TestWindow() { ::DestroyWindow(hwnd_); }

    HWND hwnd() const { return hwnd_; }
    std::vector<UINT> received;
    std::vector<WPARAM> characters;  // WM_CHAR as the window procedure saw it
    std::function<void(UINT)> onMessage;

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<TestWindow*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        if (self && message == WM_CHAR) {
            self->characters.push_back(wParam);
            return 0;
        }
        if (self && (message >= WM_USER || message == WM_TIMER)) {
            self->received.push_back(message);
            if (self->onMessage) self->onMessage(message);
            return 0;
        }
        return ::DefWindowProcW(hwnd, message, wParam, lParam);
    }

    HWND hwnd_ = nullptr;
};

class AcquireTest : public ::testing::Test {
protected:
    void SetUp() override {
        object = std::make_unique<TWAIN>();
        object->SetOwnerHwnd(kOwner);
        ASSERT_TRUE(object->Create());
        const auto dib = SmallDib();
        dsm.HandOverImage(dib.data(), dib.size(), dib.size());
        file = directory / L"acquired.bmp";
        DrainQueue();
    }

    void TearDown() override {
        object->Destroy();
        standin::ExpectOnlyScriptedRequests(dsm);
    }

    static void DrainQueue() {
        MSG message;
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        }
    }

    // Everything the object asked for after Create, in order.
    std::vector<Triplet> Requests() const {
        std::vector<Triplet> result;
        for (const Call& call : dsm.Calls())
            if (!(call.dat == DAT_PARENT && call.msg == MSG_OPENDSM)) result.push_back({call.dg, call.dat, call.msg});
        return result;
    }

    std::vector<Call> CallsOf(const Triplet& t) const {
        std::vector<Call> result;
        for (const Call& call : dsm.Calls())
            if (Triplet{call.dg, call.dat, call.msg} == t) result.push_back(call);
        return result;
    }

    // The record the source was opened with: the DSM wrote the source's identity into it, and
    // every later request to the source must name it as the destination.
    std::uint32_t SourceAddress() const {
        const auto open = CallsOf(OpenDS);
        return open.empty() ? 0 : open[0].dataAddress;
    }

    MessageBoxWatcher boxes;
    StandInDsm dsm;
    std::unique_ptr<TWAIN> object;
    fixtures::TestDirectory directory{L"acquire"};
    std::filesystem::path file;
};

TEST_F(AcquireTest, ResultsAndRequestsByPath) {
    struct Path {
        const char* name;
        std::function<void(StandInDsm&)> script;
        Outcome result;
        std::vector<Triplet> requests;
    };
    const Path paths[] = {
        {"source not opened", [](StandInDsm& d) { d.Answer(DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, TWRC_FAILURE); },
         Failed, {OpenDS}},
        {"enable refused", [](StandInDsm& d) { d.Answer(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, TWRC_FAILURE); },
         Failed, {OpenDS, SetCap, EnableDS, CloseDS}},
        {"user closes the source", [](StandInDsm& d) { d.Deliver(TWRC_DSEVENT, MSG_CLOSEDSREQ); },
         Cancelled, {OpenDS, SetCap, EnableDS, Event, DisableDS, CloseDS}},
        {"image info refused",
         [](StandInDsm& d) {
             d.Deliver(TWRC_DSEVENT, MSG_XFERREADY);
             d.Answer(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, TWRC_FAILURE);
         },
         Failed, {OpenDS, SetCap, EnableDS, Event, ImageInfo, ResetXfer, DisableDS, CloseDS}},
        {"transferred and saved", [](StandInDsm& d) { d.Deliver(TWRC_DSEVENT, MSG_XFERREADY); },
         Carried, {OpenDS, SetCap, EnableDS, Event, ImageInfo, NativeXfer, EndXfer, DisableDS, CloseDS}},
        {"null image handle",
         [](StandInDsm& d) {
             d.Deliver(TWRC_DSEVENT, MSG_XFERREADY);
             d.script().handOverNullImage = 1;
         },
         Failed, {OpenDS, SetCap, EnableDS, Event, ImageInfo, NativeXfer, EndXfer, DisableDS, CloseDS}},
        {"transfer cancelled",
         [](StandInDsm& d) {
             d.Deliver(TWRC_DSEVENT, MSG_XFERREADY);
             d.Answer(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, TWRC_CANCEL);
         },
         Cancelled, {OpenDS, SetCap, EnableDS, Event, ImageInfo, NativeXfer, EndXfer, DisableDS, CloseDS}},
        {"transfer failed",
         [](StandInDsm& d) {
             d.Deliver(TWRC_DSEVENT, MSG_XFERREADY);
             d.Answer(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, TWRC_FAILURE);
         },
         Failed, {OpenDS, SetCap, EnableDS, Event, ImageInfo, NativeXfer, ResetXfer, DisableDS, CloseDS}},
        {"unexpected transfer code",
         [](StandInDsm& d) {
             d.Deliver(TWRC_DSEVENT, MSG_XFERREADY);
             d.Answer(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, TWRC_CHECKSTATUS);
         },
         Failed, {OpenDS, SetCap, EnableDS, Event, ImageInfo, NativeXfer, ResetXfer, DisableDS, CloseDS}},
        {"pending transfers discarded",
         [](StandInDsm& d) {
             d.Deliver(TWRC_DSEVENT, MSG_XFERREADY);
             d.script().pendingAfterEndXfer = 2;
         },
         Carried, {OpenDS, SetCap, EnableDS, Event, ImageInfo, NativeXfer, EndXfer, ResetXfer, DisableDS, CloseDS}},
        {"null event keeps waiting",
         [](StandInDsm& d) {
             d.Deliver(TWRC_DSEVENT, MSG_NULL);
             d.Deliver(TWRC_DSEVENT, 0x0555);
             d.Deliver(TWRC_DSEVENT, MSG_CLOSEDSREQ);
         },
         Cancelled, {OpenDS, SetCap, EnableDS, Event, Event, Event, DisableDS, CloseDS}},
    };
    for (const Path& path : paths) {
        SCOPED_TRACE(path.name);
        dsm.Reset();
        const auto dib = SmallDib();
        dsm.HandOverImage(dib.data(), dib.size(), dib.size());
        path.script(dsm);
        EXPECT_EQ(object->Acquire(file.wstring()), path.result);
        EXPECT_EQ(Requests(), path.requests);
        for (const Call& call : dsm.Calls()) {
            const bool toSource = call.dat != DAT_IDENTITY && call.dat != DAT_PARENT;
            EXPECT_EQ(call.destinationAddress, toSource ? SourceAddress() : 0u) << "dat " << call.dat;
        }
        EXPECT_FALSE(object->Acquiring());
    }
}

TEST_F(AcquireTest, SavedFileHoldsTheImageAndTheBlockIsFreed) {
    dsm.Deliver(TWRC_DSEVENT, MSG_XFERREADY);
    ASSERT_EQ(object->Acquire(file.wstring()), Carried);

    const auto dib = SmallDib();
    std::vector<std::uint8_t> expected = {'B', 'M', 78, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0};
    expected.insert(expected.end(), dib.begin(), dib.end());
    EXPECT_EQ(ReadFile(file), expected);
    EXPECT_FALSE(BlockIsAlive(dsm.shared().lastImageBlock));
}

TEST_F(AcquireTest, UnwritablePathFailsButTheTransferIsEnded) {
    dsm.Deliver(TWRC_DSEVENT, MSG_XFERREADY);
    const auto missing = directory / L"no-such-directory" / L"x.bmp";
    EXPECT_EQ(object->Acquire(missing.wstring()), Failed);
    EXPECT_EQ(CallsOf(EndXfer).size(), 1u);
    EXPECT_FALSE(BlockIsAlive(dsm.shared().lastImageBlock));
}

TEST_F(AcquireTest, ClipboardKeepsTheBlockItWasGiven) {
    dsm.Deliver(TWRC_DSEVENT, MSG_XFERREADY);
    ASSERT_EQ(object->Acquire(L""), Carried);
    EXPECT_TRUE(BlockIsAlive(dsm.shared().lastImageBlock)) << "the clipboard owns it now; nobody freed it";
    {
        OpenClipboardSession clipboard(nullptr);
        ASSERT_TRUE(clipboard);
        const HANDLE onClipboard = ::GetClipboardData(CF_DIB);
        ASSERT_NE(onClipboard, nullptr);
        GlobalLock<const std::uint8_t> bytes(onClipboard);
        const auto dib = SmallDib();
        EXPECT_EQ(std::vector<std::uint8_t>(bytes.get(), bytes.get() + dib.size()), dib);
    }
    EXPECT_FALSE(std::filesystem::exists(file));
}

// A stored flag reaches the DSM as itself when enabling, as its absolute value when disabling
// and as the indicators' boolean.
TEST_F(AcquireTest, StoredFlagsReachTheSource) {
    const struct {
        StoredFlag value;
        TW_UINT16 enable;
        TW_UINT16 disable;
    } cases[] = {{-1, 0xFFFF, 1}, {0, 0, 0}, {1, 1, 1}, {-32768, 0x8000, 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        dsm.Reset();
        dsm.Deliver(TWRC_DSEVENT, MSG_CLOSEDSREQ);
        object->SetInterface(c.value);
        object->SetProgressDialog(c.value);
        object->SetOwnerHwnd(0x7777);
        ASSERT_EQ(object->Acquire(file.wstring()), Cancelled);
        const auto enable = CallsOf(EnableDS);
        const auto disable = CallsOf(DisableDS);
        const auto set = CallsOf(SetCap);
        ASSERT_EQ(enable.size(), 1u);
        ASSERT_EQ(disable.size(), 1u);
        ASSERT_EQ(set.size(), 1u);
        TW_USERINTERFACE ui{};
        std::memcpy(&ui, enable[0].data, sizeof ui);
        EXPECT_EQ(ui.ShowUI, c.enable);
        EXPECT_EQ(ui.ModalUI, 0);
        EXPECT_EQ(ui.hParent, 0x7777u);
        std::memcpy(&ui, disable[0].data, sizeof ui);
        EXPECT_EQ(ui.ShowUI, c.disable);
        TW_CAPABILITY cap{};
        std::memcpy(&cap, set[0].data, sizeof cap);
        EXPECT_EQ(cap.Cap, CAP_INDICATORS);
        EXPECT_EQ(cap.ConType, TWON_ONEVALUE);
        EXPECT_EQ(set[0].container.ItemType, TWTY_BOOL);
        EXPECT_EQ(set[0].container.Item, c.disable != 0 ? 1u : 0u);
    }
}

TEST_F(AcquireTest, RefusedCapabilityDoesNotStopTheAcquisition) {
    dsm.Answer(DG_CONTROL, DAT_CAPABILITY, MSG_SET, TWRC_FAILURE);
    dsm.Deliver(TWRC_DSEVENT, MSG_XFERREADY);
    EXPECT_EQ(object->Acquire(file.wstring()), Carried);
}

TEST_F(AcquireTest, LoopDispatchesTheClientsMessagesButNotTheSources) {
    TestWindow window;
    const UINT notice = dsm.NoticeMessage();
    // Claimed by the source (then dropped for an unexpected code), then the client's own.
    ::PostMessageW(window.hwnd(), notice, 0, 0);
    ::PostMessageW(window.hwnd(), notice, 0, 0);
    ::PostMessageW(window.hwnd(), WM_USER + 5, 0, 0);
    dsm.Deliver(TWRC_DSEVENT, MSG_NULL);
    dsm.Deliver(TWRC_FAILURE, MSG_NULL);
    dsm.Deliver(TWRC_DSEVENT, MSG_NULL);
    dsm.Deliver(TWRC_DSEVENT, MSG_XFERREADY);
    EXPECT_EQ(object->Acquire(file.wstring()), Carried);
    EXPECT_EQ(window.received, std::vector<UINT>{WM_USER + 5});
}

// The ANSI form of a message turns characters outside the code page into '?': a Unicode window
// must get its message in the wide form.
TEST_F(AcquireTest, CharactersReachUnicodeWindowsIntact) {
    TestWindow window;
    ASSERT_TRUE(::IsWindowUnicode(window.hwnd()));
    ::PostMessageW(window.hwnd(), WM_CHAR, 0x4E2D, 0);
    dsm.Deliver(TWRC_DSEVENT, MSG_XFERREADY);
    EXPECT_EQ(object->Acquire(file.wstring()), Carried);
    EXPECT_EQ(window.characters, std::vector<WPARAM>{0x4E2D});
}

TEST_F(AcquireTest, QuitMessageEndsTheAcquisitionAndReachesTheClient) {
    ::PostQuitMessage(42);
    EXPECT_EQ(object->Acquire(file.wstring()), Failed);
    EXPECT_EQ(Requests(), (std::vector<Triplet>{OpenDS, SetCap, EnableDS, DisableDS, CloseDS}));
    MSG message{};
    ASSERT_TRUE(::PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(message.wParam, 42u);
}

TEST_F(AcquireTest, CallsFromAHandlerDuringTheLoopAreRefused) {
    TestWindow window;
    std::optional<Outcome> nestedAcquire;
    std::optional<Outcome> nestedSelect;
    std::optional<bool> nestedCreate;
    std::size_t callsBefore = 0;
    std::size_t callsAfter = 0;
    window.onMessage = [&](UINT) {
        callsBefore = dsm.Calls().size();
        nestedAcquire = object->Acquire(L"");
        nestedSelect = object->SelectSource();
        nestedCreate = object->Create();
        callsAfter = dsm.Calls().size();
    };
    ::PostMessageW(window.hwnd(), WM_USER + 1, 0, 0);
    dsm.Deliver(TWRC_DSEVENT, MSG_CLOSEDSREQ);
    EXPECT_EQ(object->Acquire(file.wstring()), Cancelled);
    EXPECT_EQ(nestedAcquire, Failed);
    EXPECT_EQ(nestedSelect, Failed);
    EXPECT_EQ(nestedCreate, false);
    EXPECT_EQ(callsAfter, callsBefore) << "refused calls make no request";
    object->Destroy();
    EXPECT_EQ(Requests().back(), CloseDSM) << "the connection stays";
}

TEST_F(AcquireTest, DestroyFromAHandlerEndsTheAcquisitionFirst) {
    TestWindow window;
    window.onMessage = [&](UINT) { object->Destroy(); };
    ::PostMessageW(window.hwnd(), WM_USER + 1, 0, 0);
    const auto detaches = dsm.shared().detaches;
    EXPECT_EQ(object->Acquire(file.wstring()), Cancelled);
    EXPECT_EQ(Requests(), (std::vector<Triplet>{OpenDS, SetCap, EnableDS, Event, DisableDS, CloseDS, CloseDSM}));
    EXPECT_EQ(dsm.shared().detaches, detaches + 1) << "the library is released";
    const auto calls = dsm.Calls().size();
    EXPECT_EQ(object->Acquire(file.wstring()), Failed);
    EXPECT_EQ(dsm.Calls().size(), calls) << "nothing goes through the released library";
}

}  // namespace
}  // namespace vantrel
