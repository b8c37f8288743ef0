// The TWAIN object's connection and source selection, request by request against the stand-in DSM.
#include "servers/vantrel/twain_object.h"

#include "tests/fixtures/child_process.h"
#include "tests/fixtures/message_box_watcher.h"
#include "tests/fixtures/stand_in_dsm/stand_in_dsm_client.h"
#include "tests/fixtures/stand_in_dsm/stand_in_expectations.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>
#include <tuple>
#include <utility>

namespace vantrel {
namespace {

using namespace twain;
using enum Outcome;
using standin::Call;

constexpr std::int32_t kOwner = 0x00010203;
constexpr TW_UINT32 kAssignedId = 4711;

bool DsmLoadedInProcess() { return ::GetModuleHandleW(L"Twain_32.dll") != nullptr; }

template <std::size_t N>
std::string FieldText(const char (&field)[N]) {
    return std::string(field, strnlen(field, N));
}

std::uint32_t Owner(const Call& call) {
    std::uint32_t value = 0;
    std::memcpy(&value, call.data, 4);
    return value;
}

bool AllZero(const void* record, std::size_t size = sizeof(TW_IDENTITY)) {
    const auto* bytes = static_cast<const std::uint8_t*>(record);
    return std::all_of(bytes, bytes + size, [](std::uint8_t b) { return b == 0; });
}

class TwainObjectTest : public ::testing::Test {
protected:
    void SetUp() override {
        dsm.script().assignId = kAssignedId;
        object.SetOwnerHwnd(kOwner);
    }
    void TearDown() override {
        object.Destroy();
        standin::ExpectOnlyScriptedRequests(dsm);
    }

    // The source record the object opens next, as the DSM receives it at MSG_OPENDS; refused,
    // so the acquisition ends there.
    Call NextOpenedSource() {
        dsm.Answer(DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, TWRC_FAILURE, 1);
        EXPECT_EQ(object.Acquire(L""), Failed);
        const Call open = dsm.Calls().back();
        EXPECT_EQ(open.msg, MSG_OPENDS);
        return open;
    }

    fixtures::MessageBoxWatcher boxes;
    standin::StandInDsm dsm;
    TWAIN object;
};

// Application reaches ProductName at each Create, cut to the field; the connection keeps that
// name whatever Application becomes while it is open.
TEST_F(TwainObjectTest, CreateOpensTheDsmWithTheClassicIdentity) {
    const std::pair<std::wstring, std::string> names[] = {
        {L"Vantrel Demo", "Vantrel Demo"}, {std::wstring(40, L'A'), std::string(32, 'A')}, {L"Later", "Later"}, {L"", ""}};
    for (const auto& [application, productName] : names) {
        SCOPED_TRACE(productName);
        dsm.Reset();
        object.SetApplication(application);
        ASSERT_TRUE(object.Create());
        object.SetApplication(L"changed while connected");
        object.Destroy();
        const auto calls = dsm.Calls();
        ASSERT_EQ(calls.size(), 2u);
        EXPECT_EQ(std::tuple(calls[0].dat, calls[0].msg, calls[0].destinationAddress), std::tuple(DAT_PARENT, MSG_OPENDSM, 0u));
        EXPECT_EQ(Owner(calls[0]), static_cast<std::uint32_t>(kOwner)) << "the datum is the owner window handle";
        const TW_IDENTITY& origin = calls[0].origin;
        EXPECT_EQ(origin.Id, 0u) << "the DSM assigns one";
        const TW_VERSION& version = origin.Version;
        EXPECT_EQ(std::tuple(version.MajorNum, version.MinorNum, version.Language, version.Country, FieldText(version.Info)),
                  std::tuple(1, 0, TWLG_USA, TWCY_USA, "Version 1.000 03/12/2003"));
        EXPECT_EQ(std::tuple(origin.ProtocolMajor, origin.ProtocolMinor, origin.SupportedGroups), std::tuple(1, 7, DG_CONTROL | DG_IMAGE));
        EXPECT_EQ(std::tuple(FieldText(origin.Manufacturer), FieldText(origin.ProductFamily), FieldText(origin.ProductName)),
                  std::tuple("Marlowbridge", "TWAIN", productName));
        EXPECT_TRUE(AllZero(origin.ProductName + productName.size(), sizeof(TW_STR32) - productName.size())) << "zero-padded";
        EXPECT_EQ(FieldText(calls[1].origin.ProductName), productName) << "the connection keeps its name";
    }
}

// Construction only shows its box. One connection from Create to Destroy: the assigned Id is the
// origin of every later request, the owner at Destroy is MSG_CLOSEDSM's datum, and afterwards
// nothing reaches the DSM.
TEST_F(TwainObjectTest, OneConnectionFromCreateToDestroy) {
    ASSERT_EQ(boxes.boxes().size(), 1u);
    const auto& box = boxes.boxes()[0];
    EXPECT_EQ(std::tuple(box.text, box.caption, box.icon, box.hasOwner),
              std::tuple(L"Initialize()", L"Vantrel", fixtures::BoxIcon::Information, false));
    EXPECT_EQ(object.SelectSource(), Failed);
    EXPECT_EQ(object.Acquire(L""), Failed);
    object.Destroy();
    EXPECT_TRUE(dsm.Calls().empty()) << "no connection, no request";

    ASSERT_TRUE(object.Create());
    EXPECT_FALSE(object.Create()) << "one connection at a time";
    dsm.Answer(DG_CONTROL, DAT_IDENTITY, MSG_USERSELECT, TWRC_CANCEL, 1);
    EXPECT_EQ(object.SelectSource(), Cancelled);
    object.SetOwnerHwnd(0x4444);
    const auto detaches = dsm.shared().detaches;
    object.Destroy();
    EXPECT_EQ(dsm.shared().detaches, detaches + 1) << "the library is released";
    EXPECT_FALSE(DsmLoadedInProcess());
    EXPECT_TRUE(AllZero(&object.AppIdentity()));
    const auto calls = dsm.Calls();
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(std::tuple(calls[1].msg, calls[1].origin.Id), std::tuple(MSG_USERSELECT, kAssignedId));
    EXPECT_EQ(std::tuple(calls[2].msg, calls[2].origin.Id, Owner(calls[2])), std::tuple(MSG_CLOSEDSM, kAssignedId, 0x4444u));
    EXPECT_EQ(object.SelectSource(), Failed);
    EXPECT_EQ(dsm.Calls().size(), 3u) << "closed: nothing more reaches the DSM";

    dsm.script().assignId = kAssignedId + 1;
    ASSERT_TRUE(object.Create());
    EXPECT_EQ(dsm.Calls().back().origin.Id, 0u) << "a new connection asks for a fresh Id";
    object.Destroy();
    EXPECT_EQ(dsm.Calls().back().origin.Id, kAssignedId + 1);
}

// Refused by the client (no owner window), by the DSM, or for want of a library with DSM_Entry
// (none, or one without it): nothing stays loaded, nothing more is asked, and a later Create succeeds.
TEST_F(TwainObjectTest, RefusedCreateLeavesNothingLoaded) {
    object.SetOwnerHwnd(0);
    EXPECT_FALSE(object.Create());
    EXPECT_TRUE(dsm.Calls().empty());
    object.SetOwnerHwnd(kOwner);
    const auto library = fixtures::ProgramDirectory() / L"Twain_32.dll";
    const auto aside = fixtures::ProgramDirectory() / L"Twain_32.dll.aside";
    const struct {
        TW_UINT16 refusal;           // the DSM's answer to MSG_OPENDSM; 0: the library is moved aside
        const wchar_t* replacement;  // what then takes its place
    } cases[] = {{TWRC_FAILURE, nullptr}, {TWRC_CHECKSTATUS, nullptr}, {TWRC_CANCEL, nullptr}, {0, nullptr}, {0, L"no_entry.dll"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.refusal << (c.replacement ? " no_entry" : ""));
        dsm.Reset();
        const bool swapped = c.refusal == 0;
        std::error_code error;  // never thrown: the stand-in must go back whatever happens
        if (swapped) std::filesystem::rename(library, aside, error);
        if (c.replacement) std::filesystem::copy_file(fixtures::ProgramDirectory() / c.replacement, library, error);
        if (!swapped) dsm.Answer(DG_CONTROL, DAT_PARENT, MSG_OPENDSM, c.refusal, 1);
        EXPECT_FALSE(object.Create());
        EXPECT_FALSE(DsmLoadedInProcess());
        EXPECT_TRUE(AllZero(&object.AppIdentity()));
        EXPECT_EQ(object.SelectSource(), Failed);
        EXPECT_EQ(dsm.Calls().size(), swapped ? 0u : 1u) << "only a refused MSG_OPENDSM reached the DSM";
        if (swapped && std::filesystem::exists(aside)) {
            std::filesystem::remove(library, error);
            std::filesystem::rename(aside, library, error);
        }
        EXPECT_TRUE(object.Create()) << "the object stays usable";
        object.Destroy();
    }
}

TEST_F(TwainObjectTest, SelectionFillsTheRecordTheNextAcquireOpens) {
    ASSERT_TRUE(object.Create());
    TW_IDENTITY flatbed{};
    flatbed.Id = 99;
    std::strcpy(flatbed.ProductName, "Flatbed One");
    dsm.script().source = flatbed;
    ASSERT_EQ(object.SelectSource(), Carried);
    TW_IDENTITY opened{};
    std::memcpy(&opened, NextOpenedSource().data, sizeof opened);
    EXPECT_EQ(FieldText(opened.ProductName), "Flatbed One");

    const std::pair<TW_UINT16, Outcome> answers[] = {
        {TWRC_CANCEL, Cancelled}, {TWRC_FAILURE, Failed}, {TWRC_CHECKSTATUS, Failed}, {TWRC_XFERDONE, Failed}};
    for (const auto& [rc, expected] : answers) {
        SCOPED_TRACE(rc);
        dsm.Answer(DG_CONTROL, DAT_IDENTITY, MSG_USERSELECT, rc, 1);
        EXPECT_EQ(object.SelectSource(), expected);
        const auto call = dsm.Calls().back();
        EXPECT_EQ(std::tuple(call.msg, call.destinationAddress), std::tuple(MSG_USERSELECT, 0u));
        EXPECT_TRUE(AllZero(call.data)) << "the DSM receives a zeroed record";
        const Call open = NextOpenedSource();
        EXPECT_EQ(call.dataAddress, open.dataAddress) << "the record the DSM fills is the one opened";
        EXPECT_TRUE(AllZero(open.data)) << "an unsuccessful choice leaves the DSM's default";
    }

    dsm.script().source = flatbed;
    ASSERT_EQ(object.SelectSource(), Carried);
    object.Destroy();
    ASSERT_TRUE(object.Create());
    EXPECT_TRUE(AllZero(NextOpenedSource().data)) << "Destroy forgets the choice";
}

}  // namespace
}  // namespace vantrel
