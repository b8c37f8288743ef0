// The colour modes clients name ("gray", "bw"), apart from the source they are set on.
#pragma once

#include <optional>
#include <string_view>

namespace vantrel::engine {

enum class ColorMode { BlackWhite, Gray, Color };

// "bw", "gray"/"grey", "color"/"colour", case-insensitive.
std::optional<ColorMode> ParseColorMode(std::wstring_view text);

}  // namespace vantrel::engine
