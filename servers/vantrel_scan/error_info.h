// VantrelScan's own failure status, and com's error information under the names its objects use.
#pragma once

#include "com/error_info.h"

#include <windows.h>

namespace vantrel {

// What a scan, a source or a file refused; bad arguments are E_INVALIDARG.
constexpr HRESULT kScanFailed = MAKE_HRESULT(SEVERITY_ERROR, FACILITY_ITF, 0x0201);

using com::Guarded;
using com::RaiseError;

}  // namespace vantrel
