// The choice of who cleans.
#include "engine/cleanup_choice.h"

namespace vantrel::engine {

StepDoer ChooseDoer(CleanupBy by, SourceAnswer answer) {
    if (by == CleanupBy::Ours) return StepDoer::Ours;
    if (answer == SourceAnswer::Taken) return StepDoer::Source;
    return by == CleanupBy::Source ? StepDoer::Refusal : StepDoer::Ours;
}

}  // namespace vantrel::engine
