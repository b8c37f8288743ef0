// Who does a clean-up step the scanner offers.
#include "engine/cleanup_choice.h"

#include <gtest/gtest.h>

namespace vantrel::engine {
namespace {

TEST(CleanupChoice, SourceWhenTakenOursOrRefusalOtherwise) {
    using enum SourceAnswer;
    const struct { CleanupBy by; SourceAnswer answer; StepDoer doer; } rows[] = {
        {CleanupBy::Auto, Taken, StepDoer::Source},
        {CleanupBy::Auto, Refused, StepDoer::Ours},
        {CleanupBy::Auto, NotOffered, StepDoer::Ours},
        {CleanupBy::Source, Taken, StepDoer::Source},
        {CleanupBy::Source, Refused, StepDoer::Refusal},
        {CleanupBy::Source, NotOffered, StepDoer::Refusal},
        {CleanupBy::Ours, Taken, StepDoer::Ours},
    };
    for (const auto& row : rows)
        EXPECT_EQ(ChooseDoer(row.by, row.answer), row.doer) << static_cast<int>(row.by) << static_cast<int>(row.answer);
}

}  // namespace
}  // namespace vantrel::engine
