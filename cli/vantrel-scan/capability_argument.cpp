// "--cap NAME=VALUE" split and told in the command line's words; the reading is twain/capability's.
#include "cli/vantrel-scan/capability_argument.h"

#include "twain/capability/capability_text.h"

namespace vantrel::scan {

namespace {

std::wstring Wide(std::string_view text) { return std::wstring(text.begin(), text.end()); }

}  // namespace

std::wstring ParseCapabilitySetting(std::wstring_view text, CapabilitySetting& setting) {
    const std::size_t equals = text.find(L'=');
    if (equals == std::wstring_view::npos || equals == 0)
        return L"--cap takes NAME=VALUE, such as --cap ICAP_PIXELTYPE=TWPT_GRAY; \"" + std::wstring(text) + L"\" has no name.";
    const std::wstring_view nameText = text.substr(0, equals);
    const std::wstring_view valueText = text.substr(equals + 1);
    const auto name = capability::AsciiOf(nameText);
    const auto info = name ? capability::FindNamedCapability(*name) : std::nullopt;
    if (!info) return L"--cap: there is no capability named \"" + std::wstring(nameText) + L"\".";
    const std::wstring label = Wide(info->name);
    const std::optional<std::string> value = capability::AsciiOf(valueText);
    if (!value) return L"--cap " + label + L": only ASCII text can be sent to a source.";
    auto read = capability::ReadValueText(*info, *value);
    if (!read) return L"--cap " + label + L" takes " + Wide(capability::AcceptedValues(*info)) + L", not \"" + std::wstring(valueText) + L"\".";
    setting.capability = info->number;
    setting.value = std::move(*read);
    return {};
}

}  // namespace vantrel::scan
