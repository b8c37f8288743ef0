// The scanner's own clean-up asked for step by step, read back, and chosen as ChooseDoer says.
#include "engine/source_cleanup.h"

#include "engine/capability_client.h"
#include "engine/settings.h"

namespace vantrel::engine {

using namespace twain;
using capability::ItemType;
using capability::OneValue;
using imaging::cleanup::CleanupOptions;
using imaging::cleanup::SourceSteps;

namespace {

struct SourceStep {
    bool CleanupOptions::*ours;
    bool SourceSteps::*theirs;
    std::uint16_t capability;
    OneValue on;
    const wchar_t* doing;  // for the refusal: "... cannot <doing> itself"
};

const SourceStep kSteps[] = {
    {&CleanupOptions::skipBlank, &SourceSteps::blank, ICAP_AUTODISCARDBLANKPAGES, {ItemType::Int32, std::int64_t{TWBP_AUTO}}, L"drop blank pages"},
    {&CleanupOptions::deskew, &SourceSteps::deskew, ICAP_AUTOMATICDESKEW, {ItemType::Bool, true}, L"straighten pages"},
    {&CleanupOptions::crop, &SourceSteps::crop, ICAP_AUTOMATICBORDERDETECTION, {ItemType::Bool, true}, L"crop pages to the sheet"},
};

// The source takes the step, refuses it (`why` says how) or does not have it.
SourceAnswer Ask(const SourceRef& source, const SourceStep& step, std::optional<Failure>& why) {
    if (!QueryCapability(source, step.capability, MSG_GET).ok()) return SourceAnswer::NotOffered;
    // A border is found only on a page whose length the source decides while scanning.
    const bool border = step.capability == ICAP_AUTOMATICBORDERDETECTION;
    if (border) why = SetAndVerify(source, ICAP_UNDEFINEDIMAGESIZE, {ItemType::Bool, true});
    if (!why) why = SetAndVerify(source, step.capability, step.on);
    if (!why) return SourceAnswer::Taken;
    if (border) SetAndVerify(source, ICAP_UNDEFINEDIMAGESIZE, {ItemType::Bool, false});  // the page's size as it was
    return SourceAnswer::Refused;
}

}  // namespace

std::optional<Failure> AgreeSourceCleanup(const SourceRef& source, CleanupOptions& options) {
    if (options.by == CleanupBy::Ours) return std::nullopt;
    for (const SourceStep& step : kSteps) {
        if (!(options.*step.ours)) continue;
        std::optional<Failure> why;
        const SourceAnswer answer = Ask(source, step, why);
        switch (ChooseDoer(options.by, answer)) {
            case StepDoer::Source: options.*step.ours = false, options.bySource.*step.theirs = true; break;
            case StepDoer::Ours: break;
            case StepDoer::Refusal:
                if (answer == SourceAnswer::Refused) return why;
                return Failure{CapabilityLabel(step.capability), std::nullopt,
                               L"The source does not offer " + CapabilityLabel(step.capability) + L", so it cannot " + step.doing +
                                   L" itself; leave the clean-up to us (\"ours\" or \"auto\")."};
        }
    }
    return std::nullopt;
}

}  // namespace vantrel::engine
