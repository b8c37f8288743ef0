// Vantrel.dll as the shared plumbing serves it: the class TWAIN, its type library and its record.
#include "Vantrel_h.h"
#include "servers/vantrel/automation_object.h"
#include "com/server.h"
#include "servers/vantrel/registration.h"

namespace vantrel::com {

const Server& ThisServer() noexcept {
    static const Server server{&CLSID_TWAIN, &TwainAutomation::CreateInstance, &LIBID_Vantrel, 1, 0,
                               registration::kProgId, &registration::Record};
    return server;
}

}  // namespace vantrel::com
