// Capability values in JSON.
#include "cli/vantrel-scan/item_json.h"

#include "twain/capability/twain_names.h"

namespace vantrel::scan {

void WriteItem(JsonWriter& json, std::uint16_t capability, const capability::Item& item) {
    if (const auto* number = std::get_if<std::int64_t>(&item)) {
        const auto family = capability::FamilyOf(capability);
        if (family != capability::Family::None) {
            if (const auto name = capability::ConstantName(family, *number)) {
                json.String(*name);
                return;
            }
        }
        json.Integer(*number);
        return;
    }
    if (const auto* flag = std::get_if<bool>(&item)) {
        json.Bool(*flag);
        return;
    }
    if (const auto* real = std::get_if<double>(&item)) {
        json.Number(*real);
        return;
    }
    if (const auto* frame = std::get_if<capability::Frame>(&item)) {
        json.BeginArray().Number(frame->left).Number(frame->top).Number(frame->right).Number(frame->bottom).EndArray();
        return;
    }
    // A source's strings are bytes of its own: anything not ASCII is shown as U+FFFD rather than guessed.
    std::wstring text;
    for (const char c : std::get<std::string>(item)) text.push_back(static_cast<unsigned char>(c) < 0x80 ? static_cast<wchar_t>(c) : L'\xFFFD');
    json.String(std::wstring_view(text));
}

}  // namespace vantrel::scan
