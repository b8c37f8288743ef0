// What "vantrel-scan --help" and "--version" print.
#pragma once

namespace vantrel::scan {

extern const wchar_t kHelpText[];
extern const wchar_t kVersionText[];

}  // namespace vantrel::scan
