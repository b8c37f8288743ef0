// VantrelScan.dll with a TWAIN 2 DSM installed as TWAINDSM.dll: it is chosen over the system's
// twain_32.dll, and every block of the DSM's memory the server is handed goes back through it.
// The program runs from a folder of its own, with the stand-in DSM as TWAINDSM.dll beside it.
#include "win32/com_apartment.h"
#include "servers/vantrel_scan/tests/scan_server.h"
#include "tests/fixtures/stand_in_dsm/stand_in_dsm_client.h"
#include "tests/fixtures/stand_in_dsm/stand_in_expectations.h"
#include "tests/fixtures/test_directory.h"

namespace scan_tests {
namespace {

using namespace vantrel::twain;

TEST(Twain2DsmTest, TheTwainDsmIsChosenAndItsMemoryRulesAreKept) {
    vantrel::ComApartment apartment;
    standin::StandInDsm dsm;
    dsm.EnableTwain2();
    dsm.AddSource("Office Scanner", true, true);
    dsm.AddPage(37, 20, TWPT_BW, 200);
    dsm.AddPage(41, 9, TWPT_GRAY, 300);
    dsm.AddPage(13, 17, TWPT_RGB, 150);
    const fixtures::TestDirectory scratch{L"twain2-dsm"};
    {
        ScanServer server;
        ComPtr<IScanner> scanner = server.NewScanner();
        ASSERT_TRUE(scanner);
        UniqueBstr file(::SysAllocString((scratch / L"pages.tif").c_str()));
        LONG pages = 0;
        ASSERT_EQ(scanner->Scan(file.get(), &pages), S_OK);
        EXPECT_EQ(pages, 3);
        EXPECT_EQ(::GetModuleHandleW(L"twain_32.dll"), nullptr) << "the system's twain_32.dll was never loaded";
    }
    bool askedForEntryPoints = false;
    bool app2 = false;
    const std::vector<standin::Call> calls = dsm.Calls();
    for (const standin::Call& call : calls) {
        if (call.dat == DAT_ENTRYPOINT && call.msg == MSG_GET) askedForEntryPoints = true;
        if (call.dat == DAT_PARENT && call.msg == MSG_OPENDSM) app2 = (call.origin.SupportedGroups & DF_APP2) != 0;
    }
    EXPECT_GT(dsm.shared().attaches, 0u) << "TWAINDSM.dll was loaded";
    EXPECT_TRUE(app2) << "opened as a TWAIN 2 application";
    EXPECT_TRUE(askedForEntryPoints) << "took the DSM's memory functions";
    EXPECT_GT(dsm.Memory().allocations, 0u) << "the pages came in the DSM's memory";
    EXPECT_EQ(dsm.Memory().outstanding, 0) << "every block of the DSM's memory was given back";
    EXPECT_EQ(dsm.session().state, 2) << "the DSM ends closed";
    standin::ExpectOnlyScriptedRequests(dsm);
}

}  // namespace
}  // namespace scan_tests
