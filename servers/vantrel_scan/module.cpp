// VantrelScan.dll as the shared plumbing serves it: the class Scanner, its type library and its record.
#include "VantrelScan_h.h"
#include "com/server.h"
#include "servers/vantrel_scan/scan_registration.h"
#include "servers/vantrel_scan/scanner_object.h"

namespace vantrel::com {

const Server& ThisServer() noexcept {
    static const Server server{&CLSID_Scanner, &ScannerObject::CreateInstance, &LIBID_VantrelScan, 1, 0,
                               scan_registration::kProgId, &scan_registration::Record};
    return server;
}

}  // namespace vantrel::com
