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
#include <memory>
#include <source_location>
#include <string>

namespace vantrel {
namespace {

using namespace twain;
using enum Outcome;
using fixtures::BoxIcon;
using fixtures::MessageBoxWatcher;
using standin::Call;
using standin::StandInDsm;

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

bool AllZero(const void* record, std::size_t size) {
    const auto* bytes = static_cast<const std::uint8_t*>(record);
    return std::all_of(bytes, bytes + size, [](std::uint8_t b) { return b == 0; });
}

class TwainObjectTest : public ::testing::Test {
protected:
    void SetUp() override { dsm.script().assignId = kAssignedId; }
    void TearDown() override { standin::ExpectOnlyScriptedRequests(dsm); }

    std::unique_ptr<TWAIN> Connected() {
        auto object = std::make_unique<TWAIN>();
        object->SetOwnerHwnd(kOwner);
        EXPECT_TRUE(object->Create());
        return object;
    }

    // The source record the object opens next, as the DSM receives it at MSG_OPENDS; refused,
    // so the acquisition ends there. A failure names the caller's line.
    Call NextOpenedSource(TWAIN& object, std::source_location caller = std::source_location::current()) {
        const ::testing::ScopedTrace trace(caller.file_name(), static_cast<int>(caller.line()), "opening the source");
        dsm.Answer(DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, TWRC_FAILURE, 1);
        EXPECT_EQ(object.Acquire(L""), Failed);
        const Call open = dsm.Calls().back();
        EXPECT_EQ(open.msg, MSG_OPENDS);
        return open;
    }

    MessageBoxWatcher boxes;
    StandInDsm dsm;
};

TEST_F(TwainObjectTest, ConstructionShowsInitializeAndTouchesNoDsm) {
    TWAIN object;
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(boxes.boxes()[0].text, L"Initialize()");
    EXPECT_EQ(boxes.boxes()[0].caption, L"Vantrel");
    EXPECT_EQ(boxes.boxes()[0].icon, BoxIcon::Information);
    EXPECT_FALSE(boxes.boxes()[0].hasOwner);
    EXPECT_EQ(object.Version(), L"1.7");
    EXPECT_TRUE(dsm.Calls().empty());
}

TEST_F(TwainObjectTest, CreateOpensTheDsmWithTheClassicIdentity) {
    TWAIN object;
    object.SetApplication(L"Vantrel Demo");
    object.SetOwnerHwnd(kOwner);
    ASSERT_TRUE(object.Create());
    const auto calls = dsm.Calls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].dat, DAT_PARENT);
    EXPECT_EQ(calls[0].msg, MSG_OPENDSM);
    EXPECT_EQ(calls[0].destinationAddress, 0u);
    EXPECT_EQ(Owner(calls[0]), static_cast<std::uint32_t>(kOwner)) << "the datum is the owner window handle";

    const TW_IDENTITY& origin = calls[0].origin;
    EXPECT_EQ(origin.Id, 0u) << "the DSM assigns one";
    EXPECT_EQ(origin.Version.MajorNum, 1);
    EXPECT_EQ(origin.Version.MinorNum, 0);
    EXPECT_EQ(origin.Version.Language, TWLG_USA);
    EXPECT_EQ(origin.Version.Country, TWCY_USA);
    EXPECT_EQ(FieldText(origin.Version.Info), "Version 1.000 03/12/2003");
    EXPECT_EQ(origin.ProtocolMajor, 1);
    EXPECT_EQ(origin.ProtocolMinor, 7);
    EXPECT_EQ(origin.SupportedGroups, DG_CONTROL | DG_IMAGE) << "a TWAIN 1 application";
    EXPECT_EQ(FieldText(origin.Manufacturer), "Marlowbridge");
    EXPECT_EQ(FieldText(origin.ProductFamily), "TWAIN");
    EXPECT_EQ(FieldText(origin.ProductName), "Vantrel Demo");
    EXPECT_TRUE(AllZero(origin.ProductName + 12, sizeof(TW_STR32) - 12)) << "text fields are zero-padded";
    object.Destroy();
}

// One connection from Create to Destroy: the assigned Id is the origin of every later request,
// the owner at Destroy is MSG_CLOSEDSM's datum, and afterwards nothing reaches the DSM.
TEST_F(TwainObjectTest, OneConnectionFromCreateToDestroy) {
    TWAIN object;
    EXPECT_EQ(object.SelectSource(), Failed);
    EXPECT_EQ(object.Acquire(L""), Failed);
    object.Destroy();
    EXPECT_TRUE(dsm.Calls().empty()) << "no connection, no request";

    object.SetOwnerHwnd(kOwner);
    ASSERT_TRUE(object.Create());
    EXPECT_FALSE(object.Create()) << "one connection at a time";
    dsm.Answer(DG_CONTROL, DAT_IDENTITY, MSG_USERSELECT, TWRC_CANCEL, 1);
    EXPECT_EQ(object.SelectSource(), Cancelled);
    object.SetOwnerHwnd(0x4444);
    const auto detaches = dsm.shared().detaches;
    object.Destroy();
    EXPECT_EQ(dsm.shared().detaches, detaches + 1) << "the library is released";
    EXPECT_FALSE(DsmLoadedInProcess());
    EXPECT_TRUE(AllZero(&object.AppIdentity(), sizeof(TW_IDENTITY)));

    auto calls = dsm.Calls();
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[1].msg, MSG_USERSELECT);
    EXPECT_EQ(calls[1].origin.Id, kAssignedId);
    EXPECT_EQ(calls[2].msg, MSG_CLOSEDSM);
    EXPECT_EQ(calls[2].origin.Id, kAssignedId);
    EXPECT_EQ(Owner(calls[2]), 0x4444u);
    EXPECT_EQ(object.SelectSource(), Failed);
    EXPECT_EQ(dsm.Calls().size(), 3u) << "closed: nothing more reaches the DSM";

    dsm.script().assignId = kAssignedId + 1;
    ASSERT_TRUE(object.Create());
    EXPECT_EQ(dsm.Calls().back().origin.Id, 0u) << "a new connection asks for a fresh Id";
    object.Destroy();
    EXPECT_EQ(dsm.Calls().back().origin.Id, kAssignedId + 1);
}

TEST_F(TwainObjectTest, RefusedCreateLeavesNothingLoaded) {
    {
        TWAIN object;
        EXPECT_FALSE(object.Create()) << "no owner window";
        EXPECT_TRUE(dsm.Calls().empty());
    }
    for (TW_UINT16 rc : {TWRC_FAILURE, TWRC_CHECKSTATUS, TWRC_CANCEL}) {
        dsm.Reset();
        dsm.Answer(DG_CONTROL, DAT_PARENT, MSG_OPENDSM, rc, 1);
        TWAIN object;
        object.SetOwnerHwnd(kOwner);
        EXPECT_FALSE(object.Create()) << "rc " << rc;
        EXPECT_FALSE(DsmLoadedInProcess());
        EXPECT_TRUE(AllZero(&object.AppIdentity(), sizeof(TW_IDENTITY)));
        EXPECT_EQ(object.SelectSource(), Failed);
        EXPECT_EQ(dsm.Calls().size(), 1u) << "only the refused MSG_OPENDSM reached the DSM";
        EXPECT_TRUE(object.Create()) << "the object stays usable";
        object.Destroy();
    }
}

// Moves the stand-in aside (and optionally puts another library in its place) for one scope.
class SwappedDsmLibrary {
public:
    explicit SwappedDsmLibrary(const wchar_t* replacement)
        : dsm_(fixtures::ProgramDirectory() / L"Twain_32.dll"), aside_(fixtures::ProgramDirectory() / L"Twain_32.dll.aside") {
        std::filesystem::rename(dsm_, aside_);
        if (replacement) std::filesystem::copy_file(fixtures::ProgramDirectory() / replacement, dsm_);
    }
    ~SwappedDsmLibrary() {
        std::error_code ignored;
        std::filesystem::remove(dsm_, ignored);
        std::filesystem::rename(aside_, dsm_, ignored);
    }

private:
    std::filesystem::path dsm_;
    std::filesystem::path aside_;
};

TEST_F(TwainObjectTest, CreateNeedsALibraryWithDsmEntryAndTriesAgainLater) {
    TWAIN object;
    object.SetOwnerHwnd(kOwner);
    for (const wchar_t* replacement : {static_cast<const wchar_t*>(nullptr), L"no_entry.dll"}) {
        SwappedDsmLibrary swapped(replacement);
        EXPECT_FALSE(object.Create());
        EXPECT_FALSE(DsmLoadedInProcess()) << "nothing stays loaded";
    }
    EXPECT_TRUE(object.Create());
    object.Destroy();
}

TEST_F(TwainObjectTest, SelectionFillsTheRecordTheNextAcquireOpens) {
    auto object = Connected();
    TW_IDENTITY flatbed{};
    flatbed.Id = 99;
    std::strcpy(flatbed.ProductName, "Flatbed One");
    dsm.script().source = flatbed;
    ASSERT_EQ(object->SelectSource(), Carried);
    TW_IDENTITY opened{};
    std::memcpy(&opened, NextOpenedSource(*object).data, sizeof opened);
    EXPECT_EQ(FieldText(opened.ProductName), "Flatbed One");

    const struct {
        TW_UINT16 rc;
        Outcome expected;
    } answers[] = {{TWRC_CANCEL, Cancelled}, {TWRC_FAILURE, Failed}, {TWRC_CHECKSTATUS, Failed}, {TWRC_XFERDONE, Failed}};
    for (const auto& answer : answers) {
        dsm.Answer(DG_CONTROL, DAT_IDENTITY, MSG_USERSELECT, answer.rc, 1);
        EXPECT_EQ(object->SelectSource(), answer.expected) << "rc " << answer.rc;
        const auto call = dsm.Calls().back();
        EXPECT_EQ(call.msg, MSG_USERSELECT);
        EXPECT_EQ(call.destinationAddress, 0u);
        EXPECT_TRUE(AllZero(call.data, sizeof(TW_IDENTITY))) << "the DSM receives a zeroed record";
        const Call open = NextOpenedSource(*object);
        EXPECT_EQ(call.dataAddress, open.dataAddress) << "the record the DSM fills is the one opened";
        EXPECT_TRUE(AllZero(open.data, sizeof(TW_IDENTITY))) << "an unsuccessful choice leaves the DSM's default";
    }

    dsm.script().source = flatbed;
    ASSERT_EQ(object->SelectSource(), Carried);
    object->Destroy();
    ASSERT_TRUE(object->Create());
    EXPECT_TRUE(AllZero(NextOpenedSource(*object).data, sizeof(TW_IDENTITY))) << "Destroy forgets the choice";
    object->Destroy();
}

TEST_F(TwainObjectTest, ApplicationReachesProductNameAtTheNextCreate) {
    TWAIN object;
    object.SetOwnerHwnd(kOwner);
    const struct {
        std::wstring application;
        std::string productName;
    } cases[] = {{std::wstring(40, L'A'), std::string(32, 'A')}, {L"Later", "Later"}, {L"", ""}};
    for (const auto& c : cases) {
        object.SetApplication(c.application);
        ASSERT_TRUE(object.Create());
        EXPECT_EQ(FieldText(dsm.Calls().back().origin.ProductName), c.productName);
        object.SetApplication(L"changed while connected");
        object.Destroy();
        EXPECT_EQ(FieldText(dsm.Calls().back().origin.ProductName), c.productName) << "the connection keeps its name";
    }
}

}  // namespace
}  // namespace vantrel
