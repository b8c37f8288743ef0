// What a client set on a Scanner, and applying exactly that to an open source before a scan.
#pragma once

#include "twain/capability/capability_value.h"
#include "engine/paper_sizes.h"
#include "engine/settings.h"
#include "engine/source_ref.h"

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace vantrel::scan {

// Empty optionals leave the source's own setting.
struct ScanSettings {
    long resolution = 0;  // 0: the source's
    std::optional<engine::ColorMode> colorMode;
    std::wstring colorModeText;
    std::optional<engine::PaperSize> paperSize;
    std::wstring paperSizeText;
    std::optional<bool> feeder;
    std::optional<bool> duplex;
    // Capability puts, in the order the client made them; a later put of the same one replaces it.
    std::vector<std::pair<std::uint16_t, capability::Container>> capabilities;

    void SetCapability(std::uint16_t number, capability::Container value);
    void ForgetCapability(std::uint16_t number);
    const capability::Container* FindCapability(std::uint16_t number) const;
};

// The named settings first (the feeder before duplex, the colour mode before the resolution, whose
// allowed values may follow it), then the capabilities. Empty, or the first refusal in the
// engine's words with what the source allows where it says.
std::wstring ApplySettings(const engine::SourceRef& source, const ScanSettings& settings);

// "allowed: 75 to 600" or "allowed: 100, 200, 300", from the source's MSG_GET; empty when it cannot say.
std::wstring AllowedValuesText(const engine::SourceRef& source, std::uint16_t capability);

}  // namespace vantrel::scan
