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
std::wstring WithAllowed(std::wstring error, const std::wstring& allowed) {
    if (error.empty() || allowed.empty()) return error;
    if (error.back() == L'.') error.pop_back();
    return error + L" (" + allowed + L").";
}

std::wstring ApplyCapability(const SourceRef& source, std::uint16_t number, const capability::Container& value) {
    if (const auto* one = std::get_if<capability::OneValue>(&value)) return SetAndVerify(source, number, *one);
    const CapabilityReply set = SetCapability(source, number, value);
    if (set.ok()) return {};
    if (!set.problem.empty()) return L"Setting " + CapabilityLabel(number) + L" failed: " + set.problem + L".";
    return L"The source refused the array for " + CapabilityLabel(number) + L": " + DescribeCondition(set.condition) + L".";
}

std::wstring ApplyFeeder(const SourceRef& source, bool enabled, FeederOff feederOff) {
    // A source without a feeder has nothing to switch off.
    if (!enabled && feederOff == FeederOff::OnlyWhenEnabled && !FeederEnabled(source)) return {};
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

std::wstring ApplySettings(const SourceRef& source, const ScanSettings& settings, FeederOff feederOff) {
    if (settings.feeder) {
        if (auto error = ApplyFeeder(source, *settings.feeder, feederOff); !error.empty()) return error;
    }
    if (settings.duplex) {
        if (auto error = SetDuplex(source, *settings.duplex); !error.empty()) return error;
    }
    if (settings.colorMode) {
        if (auto error = SetColorMode(source, *settings.colorMode); !error.empty()) return error;
    }
    if (settings.resolution) {
        auto error = SetResolution(source, *settings.resolution);
        if (!error.empty()) return WithAllowed(std::move(error), AllowedValuesText(source, ICAP_XRESOLUTION));
    }
    if (settings.paperSize) {
        if (auto error = SetPaperSize(source, *settings.paperSize); !error.empty()) return error;
    }
    for (const auto& [number, value] : settings.capabilities) {
        auto error = ApplyCapability(source, number, value);
        if (!error.empty()) return WithAllowed(std::move(error), AllowedValuesText(source, number));
    }
    return {};
}

}  // namespace vantrel::engine
