// Applying a scan's settings to an open source in the one order every surface shares.
#include "engine/job_settings.h"

#include "engine/capability_client.h"
#include "engine/condition_text.h"
#include "engine/settings.h"
#include "twain/twain_records.h"

namespace vantrel::engine {

using namespace twain;

namespace {

// "The source refused X: reason." becomes "The source refused X: reason (allowed: ...)."
std::optional<Failure> WithAllowed(std::optional<Failure> failure, const std::wstring& allowed) {
    if (!failure || allowed.empty()) return failure;
    if (failure->message.ends_with(L'.')) failure->message.pop_back();
    failure->message += L" (" + allowed + L").";
    return failure;
}

std::optional<Failure> ApplyCapability(const SourceRef& source, std::uint16_t number, const capability::Container& value) {
    if (const auto* one = std::get_if<capability::OneValue>(&value)) return SetAndVerify(source, number, *one);
    const CapabilityReply set = SetCapability(source, number, value);
    if (set.ok()) return std::nullopt;
    const std::wstring label = CapabilityLabel(number);
    if (!set.problem.empty()) return Failure{label, std::nullopt, L"Setting " + label + L" failed: " + set.problem + L"."};
    return Failure{label, set.condition, L"The source refused the array for " + label + L": " + DescribeCondition(set.condition) + L"."};
}

std::optional<Failure> ApplyFeeder(const SourceRef& source, bool enabled, FeederOff feederOff) {
    // A source without a feeder has nothing to switch off.
    if (!enabled && feederOff == FeederOff::OnlyWhenEnabled && !FeederEnabled(source)) return std::nullopt;
    return SetFeeder(source, enabled);
}

}  // namespace

void ScanSettings::SetCapability(std::uint16_t number, capability::Container value) {
    for (auto& [held, container] : capabilities) {
        if (held != number) continue;
        container = std::move(value);
        return;
    }
    capabilities.emplace_back(number, std::move(value));
}

void ScanSettings::ForgetCapability(std::uint16_t number) {
    std::erase_if(capabilities, [number](const auto& held) { return held.first == number; });
}

const capability::Container* ScanSettings::FindCapability(std::uint16_t number) const {
    for (const auto& [held, container] : capabilities)
        if (held == number) return &container;
    return nullptr;
}

std::wstring AllowedValuesText(const SourceRef& source, std::uint16_t capability) {
    const CapabilityReply reply = QueryCapability(source, capability, MSG_GET);
    if (!reply.ok() || !reply.container) return {};
    if (const auto* range = std::get_if<capability::Range>(&*reply.container))
        return L"allowed: " + DescribeItem(capability, range->min) + L" to " + DescribeItem(capability, range->max);
    const auto* enumeration = std::get_if<capability::Enumeration>(&*reply.container);
    if (!enumeration || enumeration->items.empty()) return {};
    std::wstring text = L"allowed: ";
    for (std::size_t i = 0; i < enumeration->items.size(); ++i)
        text += (i ? L", " : L"") + DescribeItem(capability, enumeration->items[i]);
    return text;
}

std::optional<Failure> ApplySettings(const SourceRef& source, const ScanSettings& settings, FeederOff feederOff) {
    if (settings.feeder)
        if (auto failure = ApplyFeeder(source, *settings.feeder, feederOff)) return failure;
    if (settings.duplex)
        if (auto failure = SetDuplex(source, *settings.duplex)) return failure;
    if (settings.colorMode)
        if (auto failure = SetColorMode(source, *settings.colorMode)) return failure;
    if (settings.resolution)
        if (auto failure = SetResolution(source, *settings.resolution))
            return WithAllowed(std::move(failure), AllowedValuesText(source, ICAP_XRESOLUTION));
    if (settings.paperSize)
        if (auto failure = SetPaperSize(source, *settings.paperSize)) return failure;
    for (const auto& [number, value] : settings.capabilities)
        if (auto failure = ApplyCapability(source, number, value)) return WithAllowed(std::move(failure), AllowedValuesText(source, number));
    return std::nullopt;
}

}  // namespace vantrel::engine
