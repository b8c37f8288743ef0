// Who does a clean-up step a scanner can do itself (blank pages, deskew, border): the caller's wish against what the
// source answered when asked to do it (pure).
#pragma once

#include "imaging/cleanup/clean_page.h"

namespace vantrel::engine {

using imaging::cleanup::CleanupBy;

// What the source said to the step's capability: not there, there but the value refused, or taken.
enum class SourceAnswer { NotOffered, Refused, Taken };
// Refusal: the caller insisted on the source's step and the source cannot do it; nothing is scanned.
enum class StepDoer { Ours, Source, Refusal };

StepDoer ChooseDoer(CleanupBy by, SourceAnswer answer);

}  // namespace vantrel::engine
