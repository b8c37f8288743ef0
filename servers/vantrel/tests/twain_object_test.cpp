// The TWAIN object's construction, properties, DSM connection and source selection, against the stand-in DSM.
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

// Reads a little-endian number out of raw record bytes, independent of the record declarations.
std::uint32_t At(const void* record, std::size_t offset, std::size_t width) {
    std::uint32_t value = 0;
    std::memcpy(&value, static_cast<const std::uint8_t*>(record) + offset, width);
    return value;
}

std::string TextAt(const void* record, std::size_t offset) {
    const char* text = static_cast<const char*>(record) + offset;
    return std::string(text, strnlen(text, 34));
}

bool AllZero(const void* record, std::size_t size) {
    const auto* bytes = static_cast<const std::uint8_t*>(record);
    return std::all_of(bytes, bytes + size, [](std::uint8_t b) { return b == 0; });
}

class TwainObjectTest : public ::testing::Test {
protected:
    void SetUp() override { dsm.script().assignId = kAssignedId; }
    void TearDown() override { standin::ExpectOnlyScriptedRequests(dsm); }

    std::unique_ptr<TWAIN> NewObject() { return std::make_unique<TWAIN>(); }

    std::unique_ptr<TWAIN> Connected() {
        auto object = NewObject();
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

    static TW_IDENTITY Source(const char* name) {
        TW_IDENTITY source{};
        source.Id = 99;
        std::strcpy(source.ProductName, name);
        return source;
    }

    MessageBoxWatcher boxes;
    StandInDsm dsm;
};

TEST_F(TwainObjectTest, ConstructionSetsDefaultsAndShowsInitializeOnce) {
    auto object = NewObject();
    EXPECT_EQ(object->Application(), L"TWAIN");
    EXPECT_EQ(object->OwnerHwnd(), 0);
    EXPECT_EQ(object->Interface(), -1) << "the automation True";
    EXPECT_EQ(object->ProgressDialog(), -1) << "the automation True";
    EXPECT_EQ(object->Version(), L"1.7");
    EXPECT_TRUE(AllZero(&object->AppIdentity(), sizeof(TW_IDENTITY)));

    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(boxes.boxes()[0].text, L"Initialize()");
    EXPECT_EQ(boxes.boxes()[0].caption, L"Vantrel");
    EXPECT_EQ(boxes.boxes()[0].icon, BoxIcon::Information);
    EXPECT_FALSE(boxes.boxes()[0].hasOwner);

    auto second = NewObject();
    EXPECT_EQ(boxes.boxes().size(), 2u) << "every object shows its own box";
    EXPECT_TRUE(dsm.Calls().empty()) << "construction touches no DSM";
}

TEST_F(TwainObjectTest, SettersStoreValuesUnchanged) {
    auto object = NewObject();
    object->SetInterface(1);
    EXPECT_EQ(object->Interface(), 1);
    object->SetInterface(-32768);
    EXPECT_EQ(object->Interface(), -32768);
    object->SetProgressDialog(0);
    EXPECT_EQ(object->ProgressDialog(), 0);
    object->SetOwnerHwnd(-5);
    EXPECT_EQ(object->OwnerHwnd(), -5);
    object->SetApplication(L"");
    EXPECT_EQ(object->Application(), L"");
    object->SetApplication(L"Scan \u00e9t\u00e9");
    EXPECT_EQ(object->Application(), L"Scan \u00e9t\u00e9");
}

TEST_F(TwainObjectTest, CreateWithoutOwnerFailsAndLoadsNothing) {
    auto object = NewObject();
    const auto attaches = dsm.shared().attaches;
    EXPECT_FALSE(object->Create());
    EXPECT_EQ(dsm.shared().attaches, attaches);
    EXPECT_FALSE(DsmLoadedInProcess());
    EXPECT_TRUE(dsm.Calls().empty());
}

TEST_F(TwainObjectTest, CreateOpensTheDsmWithTheApplicationIdentity) {
    auto object = NewObject();
    object->SetApplication(L"Vantrel Demo");
    object->SetOwnerHwnd(kOwner);
    ASSERT_TRUE(object->Create());

    const auto calls = dsm.Calls();
    ASSERT_EQ(calls.size(), 1u);
    const auto& open = calls[0];
    EXPECT_EQ(open.dg, DG_CONTROL);
    EXPECT_EQ(open.dat, DAT_PARENT);
    EXPECT_EQ(open.msg, MSG_OPENDSM);
    EXPECT_EQ(open.destinationAddress, 0u);
    EXPECT_EQ(At(open.data, 0, 4), static_cast<std::uint32_t>(kOwner)) << "the datum is the owner window handle";

    // The origin as the DSM saw it, read by byte offset.
    const void* origin = &open.origin;
    EXPECT_EQ(At(origin, 0, 4), 0u) << "Id 0, so the DSM assigns one";
    EXPECT_EQ(At(origin, 4, 2), 1u);
    EXPECT_EQ(At(origin, 6, 2), 0u);
    EXPECT_EQ(At(origin, 8, 2), TWLG_USA);
    EXPECT_EQ(At(origin, 10, 2), TWCY_USA);
    EXPECT_EQ(TextAt(origin, 12), "Version 1.000 03/12/2003");
    EXPECT_EQ(At(origin, 46, 2), 1u);
    EXPECT_EQ(At(origin, 48, 2), 7u);
    EXPECT_EQ(At(origin, 50, 4), 3u) << "SupportedGroups at offset 50";
    EXPECT_EQ(TextAt(origin, 54), "Marlowbridge");
    EXPECT_EQ(TextAt(origin, 88), "TWAIN");
    EXPECT_EQ(TextAt(origin, 122), "Vantrel Demo");
    EXPECT_TRUE(AllZero(static_cast<const char*>(origin) + 122 + 12, 34 - 12)) << "text fields are zero-padded";

    object->Destroy();
    const auto closing = dsm.Calls();
    ASSERT_EQ(closing.size(), 2u);
    EXPECT_EQ(closing[1].msg, MSG_CLOSEDSM) << "the connection was open";
    EXPECT_EQ(closing[1].origin.Id, kAssignedId) << "the Id the DSM wrote stays";
}

TEST_F(TwainObjectTest, AssignedIdIsTheOriginOfEveryLaterCall) {
    auto object = Connected();
    object->SelectSource();
    object->Destroy();
    const auto calls = dsm.Calls();
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[1].msg, MSG_USERSELECT);
    EXPECT_EQ(calls[1].origin.Id, kAssignedId);
    EXPECT_EQ(calls[2].msg, MSG_CLOSEDSM);
    EXPECT_EQ(calls[2].origin.Id, kAssignedId);
    EXPECT_EQ(At(calls[2].data, 0, 4), static_cast<std::uint32_t>(kOwner));
}

TEST_F(TwainObjectTest, NewOwnerAfterCreateIsTheDatumOfCloseDsm) {
    auto object = Connected();
    object->SetOwnerHwnd(0x4444);
    object->Destroy();
    const auto calls = dsm.Calls();
    ASSERT_EQ(calls.back().msg, MSG_CLOSEDSM);
    EXPECT_EQ(At(calls.back().data, 0, 4), 0x4444u);
}

TEST_F(TwainObjectTest, SecondCreateFailsAndOneDestroyClosesTheOneConnection) {
    auto object = Connected();
    EXPECT_FALSE(object->Create());
    EXPECT_EQ(dsm.Calls().size(), 1u);

    const auto detaches = dsm.shared().detaches;
    object->Destroy();
    EXPECT_EQ(dsm.shared().detaches, detaches + 1) << "the library is released";
    EXPECT_FALSE(DsmLoadedInProcess());
    const auto calls = dsm.Calls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[1].msg, MSG_CLOSEDSM) << "the connection stayed until Destroy";
    EXPECT_TRUE(AllZero(&object->AppIdentity(), sizeof(TW_IDENTITY)));
    EXPECT_EQ(object->SelectSource(), Failed);
    EXPECT_EQ(dsm.Calls().size(), 2u) << "closed: nothing more reaches the DSM";
}

TEST_F(TwainObjectTest, CreateAfterDestroyConnectsAgainWithAFreshId) {
    auto object = Connected();
    object->Destroy();
    dsm.script().assignId = kAssignedId + 1;
    EXPECT_TRUE(object->Create());
    const auto calls = dsm.Calls();
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[2].msg, MSG_OPENDSM);
    EXPECT_EQ(calls[2].origin.Id, 0u);
    object->Destroy();
    EXPECT_EQ(dsm.Calls().back().origin.Id, kAssignedId + 1) << "the fresh Id is the origin from then on";
}

TEST_F(TwainObjectTest, RefusedOpenDsmReleasesTheLibraryAndClearsTheIdentity) {
    for (TW_UINT16 rc : {TWRC_FAILURE, TWRC_CHECKSTATUS, TWRC_CANCEL}) {
        dsm.Reset();
        dsm.Answer(DG_CONTROL, DAT_PARENT, MSG_OPENDSM, rc, 1);
        auto object = NewObject();
        object->SetOwnerHwnd(kOwner);
        EXPECT_FALSE(object->Create()) << "rc " << rc;
        EXPECT_FALSE(DsmLoadedInProcess());
        EXPECT_TRUE(AllZero(&object->AppIdentity(), sizeof(TW_IDENTITY)));
        EXPECT_EQ(object->SelectSource(), Failed);
        EXPECT_EQ(dsm.Calls().size(), 1u) << "only the refused MSG_OPENDSM reached the DSM";

        EXPECT_TRUE(object->Create()) << "the object stays usable";
        object->Destroy();
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

TEST_F(TwainObjectTest, CreateWithoutTheDsmLibraryFailsAndTriesAgainLater) {
    auto object = NewObject();
    object->SetOwnerHwnd(kOwner);
    {
        SwappedDsmLibrary missing(nullptr);
        EXPECT_FALSE(object->Create());
        EXPECT_FALSE(DsmLoadedInProcess());
    }
    EXPECT_TRUE(object->Create()) << "a later Create loads the library again";
    object->Destroy();
}

TEST_F(TwainObjectTest, CreateRefusesALibraryWithoutDsmEntry) {
    auto object = NewObject();
    object->SetOwnerHwnd(kOwner);
    SwappedDsmLibrary impostor(L"no_entry.dll");
    EXPECT_FALSE(object->Create());
    EXPECT_FALSE(DsmLoadedInProcess()) << "the library without DSM_Entry is released";
}

TEST_F(TwainObjectTest, DestroyWithoutConnectionOnlyClearsIdentities) {
    auto object = NewObject();
    object->Destroy();
    object->Destroy();
    EXPECT_TRUE(dsm.Calls().empty());
}

TEST_F(TwainObjectTest, SelectSourceNeedsAnOpenDsm) {
    auto object = NewObject();
    EXPECT_EQ(object->SelectSource(), Failed);
    EXPECT_TRUE(dsm.Calls().empty()) << "a new object has no DSM to ask";
    object->SetOwnerHwnd(kOwner);
    ASSERT_TRUE(object->Create());
    object->Destroy();
    dsm.Reset();
    EXPECT_EQ(object->SelectSource(), Failed);
    EXPECT_TRUE(dsm.Calls().empty());
}

TEST_F(TwainObjectTest, SelectSourceMapsTheDsmAnswer) {
    auto object = Connected();
    dsm.script().source = Source("Flatbed One");
    ASSERT_EQ(object->SelectSource(), Carried);
    TW_IDENTITY opened{};
    std::memcpy(&opened, NextOpenedSource(*object).data, sizeof opened);
    EXPECT_EQ(FieldText(opened.ProductName), "Flatbed One") << "the chosen source is the one opened";

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
        EXPECT_TRUE(AllZero(open.data, sizeof(TW_IDENTITY)))
            << "an unsuccessful selection does not bring back the earlier choice";
    }
    object->Destroy();
}

TEST_F(TwainObjectTest, DestroyClearsTheChosenSource) {
    auto object = Connected();
    dsm.script().source = Source("Flatbed One");
    ASSERT_EQ(object->SelectSource(), Carried);
    object->Destroy();
    ASSERT_TRUE(object->Create());
    EXPECT_TRUE(AllZero(NextOpenedSource(*object).data, sizeof(TW_IDENTITY))) << "the next connection opens the default";
    object->Destroy();
}

TEST_F(TwainObjectTest, ApplicationReachesProductNameAtTheNextCreate) {
    auto object = NewObject();
    object->SetOwnerHwnd(kOwner);
    object->SetApplication(std::wstring(40, L'A'));
    ASSERT_TRUE(object->Create());
    EXPECT_EQ(FieldText(dsm.Calls().back().origin.ProductName), std::string(32, 'A'));

    object->SetApplication(L"Later");
    object->Destroy();
    EXPECT_EQ(FieldText(dsm.Calls().back().origin.ProductName), std::string(32, 'A'))
        << "the connection keeps the name it was opened with";
    ASSERT_TRUE(object->Create());
    EXPECT_EQ(FieldText(dsm.Calls().back().origin.ProductName), "Later");
    object->Destroy();

    object->SetApplication(L"");
    ASSERT_TRUE(object->Create());
    EXPECT_TRUE(AllZero(dsm.Calls().back().origin.ProductName, sizeof(TW_STR32)));
    object->Destroy();
}

}  // namespace
}  // namespace vantrel
