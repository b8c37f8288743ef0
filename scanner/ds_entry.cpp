// DS_Entry, the data source's one export: every triplet passes through here, is served and logged.
#include "scanner/log_line.h"
#include "scanner/source.h"
#include "scanner/triplet_log.h"

using vantrel::twain::TW_IDENTITY;
using vantrel::twain::TW_UINT16;
using vantrel::twain::TW_UINT32;

// No C++ exception may cross into the DSM: one that escapes a request becomes TWRC_FAILURE
// with TWCC_BUMMER, like any other failure the application can ask DAT_STATUS about.
extern "C" TW_UINT16 __stdcall DS_Entry(TW_IDENTITY* origin, TW_UINT32 dg, TW_UINT16 dat,
                                        TW_UINT16 msg, void* data) {
    using namespace vantrel::scanner;
    Source& source = TheSource();
    const Triplet triplet{dg, dat, msg};
    const State before = source.state();
    std::string detail;
    TW_UINT16 rc;
    try {
        rc = source.Serve(origin, triplet, data, detail);
    } catch (...) {
        rc = source.FailUnexpectedly();
    }
    try {
        AppendLogLine(FormatLogLine(triplet, before, source.state(), rc, source.conditionCode(), detail));
    } catch (...) {
        // The answer stands even when the log line cannot be made.
    }
    return rc;
}
