// The source-side commands: -L, choosing and opening the source, and -A.
#pragma once

#include "cli/vantrel-scan/scan_arguments.h"
#include "engine/session.h"

#include <string>

namespace vantrel::scan {

int ListSources(engine::Session& session, const ScanArguments& arguments);
// Opens the source the arguments name (--source, --select, or the default). Returns -1 when it is
// open, else the exit status, the failure already reported.
int OpenChosenSource(engine::Session& session, const ScanArguments& arguments, std::wstring& sourceName);
int ShowAllOptions(engine::Session& session, const ScanArguments& arguments, const std::wstring& sourceName);

}  // namespace vantrel::scan
