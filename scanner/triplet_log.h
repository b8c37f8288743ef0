// Appending the source's triplet log lines to the file VANTREL_SCANNER_LOG names.
#pragma once

#include <string>

namespace vantrel::scanner {

// Appends `line` and a newline when VANTREL_SCANNER_LOG is set; does nothing otherwise.
// The file is opened, written and closed for every line, so each line is on disk before the
// triplet returns and a test can read the log while the source is still loaded.
void AppendLogLine(const std::string& line) noexcept;

}  // namespace vantrel::scanner
