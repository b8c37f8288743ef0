// The exit statuses and how a failure is told: on standard error, and as JSON when asked for.
#pragma once

#include "engine/failure.h"

#include <string_view>

namespace vantrel::scan {

constexpr int kStored = 0;       // at least one page stored, or a listing shown
constexpr int kNothing = 1;      // cancelled, or nothing to scan
constexpr int kFailed = 2;       // any failure, wrong usage included

// Writes "vantrel-scan: <message>" to standard error and, with `json`, {"error": message, "status": N}
// to standard output. Returns `status`.
int Report(bool json, std::wstring_view message, int status);
// A setting the source refused: as Report with kFailed, and its "condition" in the JSON (null when none).
int ReportRefusal(bool json, const engine::Failure& refusal);

}  // namespace vantrel::scan
