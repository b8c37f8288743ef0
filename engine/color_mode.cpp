// The colour modes by name.
#include "engine/color_mode.h"

#include <algorithm>
#include <cwctype>
#include <string>

namespace vantrel::engine {

std::optional<ColorMode> ParseColorMode(std::wstring_view text) {
    std::wstring folded(text);
    std::transform(folded.begin(), folded.end(), folded.begin(), [](wchar_t c) { return static_cast<wchar_t>(std::towlower(c)); });
    if (folded == L"bw" || folded == L"blackwhite" || folded == L"lineart") return ColorMode::BlackWhite;
    if (folded == L"gray" || folded == L"grey") return ColorMode::Gray;
    if (folded == L"color" || folded == L"colour" || folded == L"rgb") return ColorMode::Color;
    return std::nullopt;
}

}  // namespace vantrel::engine
