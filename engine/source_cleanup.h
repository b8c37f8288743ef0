// Leaving the clean-up steps a scanner can do itself to the open source, as the caller chose.
#pragma once

#include "engine/cleanup_choice.h"
#include "engine/failure.h"
#include "engine/source_ref.h"
#include "imaging/cleanup/clean_page.h"

#include <optional>

namespace vantrel::engine {

// For each of blank pages, deskew and border crop asked in `options`, unless `options.by` is Ours: the source is asked to do
// it (ICAP_AUTODISCARDBLANKPAGES TWBP_AUTO, ICAP_AUTOMATICDESKEW, ICAP_AUTOMATICBORDERDETECTION with
// ICAP_UNDEFINEDIMAGESIZE, all TRUE), and a step it takes moves from ours to `options.bySource`. Returns the refusal
// (nothing may be scanned) when it is Source and the source cannot do a step.
std::optional<Failure> AgreeSourceCleanup(const SourceRef& source, imaging::cleanup::CleanupOptions& options);

}  // namespace vantrel::engine
