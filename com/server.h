// What an automation server tells the shared plumbing about itself; each DLL defines ThisServer once.
#pragma once

#include "com/registration.h"

#include <windows.h>

#include <vector>

namespace vantrel::com {

struct Server {
    const CLSID* classId;  // the one class the DLL serves
    HRESULT (*createInstance)(REFIID iid, void** object);
    const GUID* library;  // the embedded type library, language neutral
    WORD libraryMajor;
    WORD libraryMinor;
    const wchar_t* errorSource;  // named as the source of the error information it raises
    std::vector<RegistryEntry> (*record)();  // what registration writes, in order
};

// Defined by the DLL this library is linked into.
const Server& ThisServer() noexcept;

}  // namespace vantrel::com
