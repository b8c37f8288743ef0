// Reading a source's condition code and its own status text after a failure.
#include "engine/source_status.h"

#include "engine/condition_text.h"
#include "win32/utf8_text.h"

#include <algorithm>

namespace vantrel::engine {

using namespace twain;

std::uint16_t ReadCondition(const SourceRef& source) {
    TW_STATUS status{};
    if (source.Call(DG_CONTROL, DAT_STATUS, MSG_GET, &status) != TWRC_SUCCESS) return TWCC_BUMMER;
    return status.ConditionCode;
}

SourceStatus ReadStatus(const SourceRef& source) {
    SourceStatus status;
    status.condition = ReadCondition(source);
    TW_STATUS code{};
    code.ConditionCode = status.condition;
    // Only TWAIN 2 pairs know DAT_STATUSUTF8; the text comes in a block of the DSM's memory.
    if (!source.link.usesDsmMemory() || (source.source.SupportedGroups & DF_DS2) == 0) return status;
    TW_STATUSUTF8 utf8{};
    utf8.Status = code;
    if (source.Call(DG_CONTROL, DAT_STATUSUTF8, MSG_GET, &utf8) != TWRC_SUCCESS || !utf8.UTF8string) return status;
    DsmBlock owned(source.link, utf8.UTF8string);
    DsmBlockView view(source.link, owned.get());
    const auto bytes = view.bytes();
    const std::size_t claimed = std::min<std::size_t>(bytes.size(), utf8.Size);
    std::string_view text(reinterpret_cast<const char*>(bytes.data()), claimed);
    text = text.substr(0, text.find('\0'));
    status.text = Widen(text);
    return status;
}

std::wstring DescribeStatus(const SourceStatus& status) {
    std::wstring description = DescribeCondition(status.condition);
    if (!status.text.empty()) description += L": " + status.text;
    return description;
}

}  // namespace vantrel::engine
