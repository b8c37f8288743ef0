// What an eSCL or JSON client is told about one TWAIN source: read from its capabilities once,
// kept as plain data so the documents built from it are pure.
#pragma once

#include "twain/capability/capability_value.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace vantrel::service {

enum class ColorModeName { BlackAndWhite1, Grayscale8, Rgb24 };

struct SourceProfile {
    std::string name;  // the product name, UTF-8
    std::string manufacturer;
    std::string uuid;
    bool platen = true;
    bool feeder = false;
    bool duplex = false;
    std::vector<ColorModeName> colorModes;
    std::vector<int> resolutions;  // dots per inch, ascending
    // In 1/300 inch, eSCL's unit.
    int minWidth = 16;
    int minHeight = 16;
    int maxWidth = 2550;
    int maxHeight = 3300;
};

// The capabilities' answers (MSG_GET) by number; a missing one the source does not offer.
using CapabilityAnswers = std::map<std::uint16_t, capability::Container>;

// The capabilities a profile is made from, so the reader asks exactly these.
const std::vector<std::uint16_t>& ProfileCapabilities();

// A range of resolutions is offered as the usual steps within it (75, 100, 150, ... 1200) that
// the range's step reaches, since eSCL clients expect a short list.
SourceProfile ProfileFrom(const std::string& name, const std::string& manufacturer, const CapabilityAnswers& answers);

// A stable UUID from the source's name: the same source keeps its identity across restarts.
std::string SourceUuid(const std::string& name);

const char* ColorModeText(ColorModeName mode);
std::optional<ColorModeName> ColorModeFromText(const std::string& text);

}  // namespace vantrel::service
