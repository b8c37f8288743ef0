// Acquire against the stand-in DSM: the requests on every path, the loop, delivery and the image block's owner.
#include "servers/vantrel/twain_object.h"

#include "servers/vantrel/tests/handler_window.h"
#include "servers/vantrel/tests/sample_dib.h"
#include "tests/fixtures/message_box_watcher.h"
#include "tests/fixtures/stand_in_dsm/stand_in_dsm_client.h"
#include "tests/fixtures/stand_in_dsm/stand_in_expectations.h"
#include "tests/fixtures/test_directory.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace vantrel {
namespace {

using namespace twain;
using enum Outcome;
using standin::Call;
using standin::StandInDsm;

// The requests by their letter in the tables below; MSG_OPENDSM (Create's) has none.
const struct {
    TW_UINT16 dat;
    TW_UINT16 msg;
    char letter;
} kLetters[] = {
    {DAT_IDENTITY, MSG_OPENDS, 'O'},         {DAT_CAPABILITY, MSG_SET, 'C'},      {DAT_USERINTERFACE, MSG_ENABLEDS, 'E'},
    {DAT_EVENT, MSG_PROCESSEVENT, 'V'},      {DAT_IMAGEINFO, MSG_GET, 'I'},       {DAT_IMAGENATIVEXFER, MSG_GET, 'N'},
    {DAT_PENDINGXFERS, MSG_ENDXFER, 'X'},    {DAT_PENDINGXFERS, MSG_RESET, 'R'},  {DAT_USERINTERFACE, MSG_DISABLEDS, 'D'},
    {DAT_IDENTITY, MSG_CLOSEDS, 'S'},        {DAT_PARENT, MSG_CLOSEDSM, 'M'},     {DAT_PARENT, MSG_OPENDSM, 0},
};

struct Refusal {
    TW_UINT32 dg;
    TW_UINT16 dat, msg, rc;
};

class AcquireTest : public ::testing::Test {
protected:
    void SetUp() override {
        object->SetOwnerHwnd(0x00010203);
        ASSERT_TRUE(object->Create());
        HandOverDib();
        for (MSG message; ::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE);) {
        }
    }

    void TearDown() override {
        object->Destroy();
        standin::ExpectOnlyScriptedRequests(dsm);
    }

    void HandOverDib() {
        const auto dib = tests::Dib{4, 2, 24}.Bytes();
        dsm.HandOverImage(dib.data(), dib.size(), dib.size());
    }

    std::string Requests() const {
        std::string letters;
        for (const Call& call : dsm.Calls()) {
            char letter = '?';
            for (const auto& known : kLetters)
                if (known.dat == call.dat && known.msg == call.msg) letter = known.letter;
            if (letter) letters += letter;
        }
        return letters;
    }

    std::vector<Call> CallsOf(TW_UINT16 dat, TW_UINT16 msg) const {
        std::vector<Call> result;
        for (const Call& call : dsm.Calls())
            if (call.dat == dat && call.msg == msg) result.push_back(call);
        return result;
    }

    fixtures::MessageBoxWatcher boxes;
    StandInDsm dsm;
    std::unique_ptr<TWAIN> object = std::make_unique<TWAIN>();
    fixtures::TestDirectory directory{L"acquire"};
    std::wstring file = (directory / L"acquired.bmp").wstring();
};

// Each path's result, its requests (every one after MSG_OPENDS addressed to the opened source),
// where the image went and who owns its block afterwards: a file's is freed, the clipboard's is kept.
TEST_F(AcquireTest, ResultsAndRequestsByPath) {
    const std::wstring missing = (directory / L"missing" / L"x.bmp").wstring();
    const struct {
        const char* name;
        std::vector<TW_UINT16> events;
        Refusal refused;  // rc 0: none
        Outcome result;
        const char* requests;
        std::wstring target;
        TW_UINT32 nullImage = 0;
        TW_UINT32 pendingAfterEndXfer = 0;
        bool quit = false;  // the session's WM_QUIT, posted again for the client, is the engine's
    } paths[] = {
        {"source not opened", {}, {DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, TWRC_FAILURE}, Failed, "O", file},
        {"enable refused", {}, {DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, TWRC_FAILURE}, Failed, "OCES", file},
        {"user closes the source", {MSG_CLOSEDSREQ}, {}, Cancelled, "OCEVDS", file},
        {"image info refused", {MSG_XFERREADY}, {DG_IMAGE, DAT_IMAGEINFO, MSG_GET, TWRC_FAILURE}, Failed, "OCEVIRDS", file},
        {"saved to a file", {MSG_XFERREADY}, {}, Carried, "OCEVINXDS", file},
        {"put on the clipboard", {MSG_XFERREADY}, {}, Carried, "OCEVINXDS", L""},
        {"unwritable path", {MSG_XFERREADY}, {}, Failed, "OCEVINXDS", missing},
        {"refused capability", {MSG_XFERREADY}, {DG_CONTROL, DAT_CAPABILITY, MSG_SET, TWRC_FAILURE}, Carried, "OCEVINXDS", file},
        {"null image handle", {MSG_XFERREADY}, {}, Failed, "OCEVINXDS", file, 1},
        {"transfer cancelled", {MSG_XFERREADY}, {DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, TWRC_CANCEL}, Cancelled, "OCEVINXDS", file},
        {"transfer failed", {MSG_XFERREADY}, {DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, TWRC_FAILURE}, Failed, "OCEVINRDS", file},
        {"unexpected transfer code", {MSG_XFERREADY}, {DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, TWRC_CHECKSTATUS}, Failed,
         "OCEVINRDS", file},
        {"pending transfers discarded", {MSG_XFERREADY}, {}, Carried, "OCEVINXRDS", file, 0, 2},
        {"null event keeps waiting", {MSG_NULL, 0x0555, MSG_CLOSEDSREQ}, {}, Cancelled, "OCEVVVDS", file},
        {"asked to quit", {}, {}, Failed, "OCEDS", file, 0, 0, true},
    };
    for (const auto& path : paths) {
        SCOPED_TRACE(path.name);
        dsm.Reset();
        HandOverDib();
        for (const TW_UINT16 event : path.events) dsm.Deliver(TWRC_DSEVENT, event);
        if (path.refused.rc) dsm.Answer(path.refused.dg, path.refused.dat, path.refused.msg, path.refused.rc);
        dsm.script().handOverNullImage = path.nullImage;
        dsm.script().pendingAfterEndXfer = path.pendingAfterEndXfer;
        if (path.quit) ::PostQuitMessage(42);
        EXPECT_EQ(object->Acquire(path.target), path.result);
        MSG quit{};
        EXPECT_EQ(::PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != 0, path.quit);
        EXPECT_EQ(Requests(), path.requests);
        const auto open = CallsOf(DAT_IDENTITY, MSG_OPENDS);
        for (const Call& call : dsm.Calls()) {
            const bool toSource = call.dat != DAT_IDENTITY && call.dat != DAT_PARENT;
            EXPECT_EQ(call.destinationAddress, toSource ? open.at(0).dataAddress : 0u) << "dat " << call.dat;
        }
        EXPECT_FALSE(object->Acquiring());
        const bool saved = path.result == Carried && !path.target.empty();
        std::error_code ignored;
        EXPECT_EQ(std::filesystem::file_size(path.target, ignored), saved ? 14u + 64u : static_cast<std::uintmax_t>(-1));
        const auto block = reinterpret_cast<HGLOBAL>(static_cast<std::uintptr_t>(dsm.shared().lastImageBlock));
        EXPECT_EQ(::GlobalSize(block) != 0, path.result == Carried && path.target.empty()) << "only the clipboard keeps it";
        std::filesystem::remove(path.target, ignored);
    }
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
        ASSERT_EQ(object->Acquire(file), Cancelled);
        ASSERT_EQ(Requests(), "OCEVDS");
        TW_USERINTERFACE enable{}, disable{};
        std::memcpy(&enable, CallsOf(DAT_USERINTERFACE, MSG_ENABLEDS)[0].data, sizeof enable);
        std::memcpy(&disable, CallsOf(DAT_USERINTERFACE, MSG_DISABLEDS)[0].data, sizeof disable);
        EXPECT_EQ(std::tuple(enable.ShowUI, enable.ModalUI, enable.hParent, disable.ShowUI), std::tuple(c.enable, 0, 0x7777u, c.disable));
        const Call set = CallsOf(DAT_CAPABILITY, MSG_SET)[0];
        TW_CAPABILITY cap{};
        std::memcpy(&cap, set.data, sizeof cap);
        EXPECT_EQ(std::tuple(cap.Cap, cap.ConType, set.container.ItemType), std::tuple(CAP_INDICATORS, TWON_ONEVALUE, TWTY_BOOL));
        EXPECT_EQ(set.container.Item, c.disable != 0 ? 1u : 0u);
    }
}

// The source's notices are claimed (one dropped for its unexpected code) and never dispatched; the
// client's messages are, characters in the wide form, which keeps those outside the code page.
TEST_F(AcquireTest, LoopDispatchesTheClientsMessagesButNotTheSources) {
    tests::HandlerWindow window;
    ASSERT_TRUE(::IsWindowUnicode(window.get()));
    window.Post(dsm.NoticeMessage());
    window.Post(dsm.NoticeMessage());
    window.Post(WM_CHAR, 0x4E2D);
    window.Post(WM_USER + 5);
    dsm.Deliver(TWRC_DSEVENT, MSG_NULL);
    dsm.Deliver(TWRC_FAILURE, MSG_NULL);
    dsm.Deliver(TWRC_DSEVENT, MSG_NULL);
    dsm.Deliver(TWRC_DSEVENT, MSG_XFERREADY);
    EXPECT_EQ(object->Acquire(file), Carried);
    EXPECT_EQ(window.received, (std::vector<std::pair<UINT, WPARAM>>{{WM_CHAR, 0x4E2D}, {WM_USER + 5, 0}}));
}

// A client's handler calling back in during the loop: Create, SelectSource and Acquire are refused
// without a request; Destroy ends the acquisition first and then releases the library.
TEST_F(AcquireTest, HandlersCallingBackDuringTheLoop) {
    const struct {
        const char* name;
        std::vector<TW_UINT16> events;
        std::function<void(TWAIN&, StandInDsm&)> handler;
        const char* requests;
        bool destroyed;
    } cases[] = {
        {"nested calls",
         {MSG_CLOSEDSREQ},
         [](TWAIN& object, StandInDsm& dsm) {
             const auto before = dsm.Calls().size();
             EXPECT_EQ(object.Acquire(L""), Failed);
             EXPECT_EQ(object.SelectSource(), Failed);
             EXPECT_FALSE(object.Create());
             EXPECT_EQ(dsm.Calls().size(), before) << "refused calls make no request";
         },
         "OCEVVDS", false},
        {"Destroy", {}, [](TWAIN& object, StandInDsm&) { object.Destroy(); }, "OCEVDSM", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        dsm.Reset();
        for (const TW_UINT16 event : c.events) dsm.Deliver(TWRC_DSEVENT, event);
        tests::HandlerWindow window([&] { c.handler(*object, dsm); });
        window.Post(WM_USER + 1);
        const auto detaches = dsm.shared().detaches;
        EXPECT_EQ(object->Acquire(file), Cancelled);
        EXPECT_EQ(window.received.size(), 1u);
        EXPECT_EQ(Requests(), c.requests);
        if (c.destroyed) {
            EXPECT_EQ(object->Acquire(file), Failed);
        }
        object->Destroy();
        EXPECT_EQ(Requests(), std::string(c.requests) + (c.destroyed ? "" : "M")) << "nothing after the release";
        EXPECT_EQ(dsm.shared().detaches, detaches + 1) << "the library is released once";
        ASSERT_TRUE(object->Create());
    }
}

}  // namespace
}  // namespace vantrel
