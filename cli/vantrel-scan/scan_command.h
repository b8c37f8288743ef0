// The scan itself: the settings, the batch into the files, and its result as an exit status.
#pragma once

#include "cli/vantrel-scan/scan_arguments.h"
#include "imaging/page_consumer.h"
#include "engine/session.h"

#include <string>

namespace vantrel::scan {

// `files` is completed whatever the batch ends with, so the pages before a failure are kept.
// --recover FOLDER: the folder's interrupted scans recovered, no source opened; 0 when any was, 1 when none.
int Recover(const ScanArguments& arguments);

int Scan(engine::Session& session, const ScanArguments& arguments, imaging::PageConsumer& files, const std::wstring& sourceName);

}  // namespace vantrel::scan
