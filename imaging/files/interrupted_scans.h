// Finding the temporary files of scans that were interrupted (a crash, a kill, a power cut) and keeping their pages.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel::imaging {

struct RecoveredScan {
    std::wstring path;  // "<name>.recovered.pdf" beside the target the scan was writing
    std::uint32_t pages = 0;
    std::wstring text;  // "Recovered 295 pages of an interrupted scan into <path>."
};

// Every temporary PDF or TIFF of ours in `folder` (empty: the current folder) whose writer no longer runs
// (recovery_rule.h) becomes "<name>.recovered.<ext>" (numbered when that exists) with the pages it completed, and
// is removed; one with no complete page, or of a single-page format (whose pages are committed one by one), is just
// removed. A file still open elsewhere, or one that cannot be read or written out, stays as it is.
std::vector<RecoveredScan> RecoverInterruptedScans(std::wstring_view folder);

}  // namespace vantrel::imaging
