// VantrelScan.dll with a TWAIN 2 DSM installed as TWAINDSM.dll: it is chosen over the system's
// twain_32.dll, and every block of the DSM's memory the server is handed goes back through it (how
// the engine opens a TWAIN 2 DSM is engine_test.cpp's).
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
    dsm.AddPage(13, 17, TWPT_RGB, 150);
    const fixtures::TestDirectory scratch{L"twain2-dsm"};
    {
        ScanServer server;
        ComPtr<IScanner> scanner = server.NewObject();
        ASSERT_TRUE(scanner);
        UniqueBstr file(::SysAllocString((scratch / L"pages.tif").c_str()));
        LONG pages = 0;
        ASSERT_EQ(scanner->Scan(file.get(), &pages), S_OK);
        EXPECT_EQ(pages, 1);
        EXPECT_EQ(::GetModuleHandleW(L"twain_32.dll"), nullptr) << "the system's twain_32.dll was never loaded";
    }
    EXPECT_GT(dsm.shared().attaches, 0u) << "TWAINDSM.dll was loaded";
    EXPECT_GT(dsm.Memory().allocations, 0u) << "the pages came in the DSM's memory";
    EXPECT_EQ(dsm.Memory().outstanding, 0) << "every block of the DSM's memory was given back";
    EXPECT_EQ(dsm.session().state, 2) << "the DSM ends closed";
    standin::ExpectOnlyScriptedRequests(dsm);
}

}  // namespace
}  // namespace scan_tests
