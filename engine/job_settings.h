// What a client asks of a scan, the same record for every surface, and applying it to an open source.
#pragma once

#include "twain/capability/capability_value.h"
#include "engine/color_mode.h"
#include "engine/failure.h"
#include "engine/paper_sizes.h"
#include "engine/source_ref.h"

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace vantrel::engine {

// Empty optionals leave the source's own setting.
struct ScanSettings {
    std::optional<double> resolution;  // dots per inch
    std::optional<ColorMode> colorMode;
    std::optional<PaperSize> paperSize;
    std::optional<bool> feeder;
    std::optional<bool> duplex;
    // Raw capabilities, set in this order after everything named above.
    std::vector<std::pair<std::uint16_t, capability::Container>> capabilities;

    // A later put of the same capability replaces the earlier one in its place.
    void SetCapability(std::uint16_t number, capability::Container value);
    void ForgetCapability(std::uint16_t number);
    const capability::Container* FindCapability(std::uint16_t number) const;
};

// How a surface means `feeder == false`: switch the feeder off, or only make sure no feeder is in
// use, which a source without one satisfies as it is.
enum class FeederOff { Always, OnlyWhenEnabled };

// The one order: the paper path (the feeder, then duplex), since a feeder's sizes and resolutions
// can differ from the flatbed's; the colour mode, then the resolution, whose allowed values may
// follow the pixel type; the paper size; the raw capabilities last, in their order, so that they
// can refine any of these. Nothing, or the first refusal in the engine's words with what the source
// allows where it says.
std::optional<Failure> ApplySettings(const SourceRef& source, const ScanSettings& settings, FeederOff feederOff = FeederOff::Always);

// "allowed: 75 to 600" or "allowed: 100, 200, 300", from the source's MSG_GET; empty when it cannot say.
std::wstring AllowedValuesText(const SourceRef& source, std::uint16_t capability);

}  // namespace vantrel::engine
