// Condition codes in words.
#include "engine/condition_text.h"

#include "twain/capability/twain_names.h"
#include "win32/utf8_text.h"

namespace vantrel::engine {

std::wstring DescribeCondition(std::uint16_t code) {
    const auto name = capability::ConditionCodeName(code);
    const auto description = capability::ConditionCodeDescription(code);
    if (name && description) return Widen(*description) + L" (" + Widen(*name) + L")";
    if (description) return Widen(*description) + L" (condition code " + std::to_wstring(code) + L")";
    return L"condition code " + std::to_wstring(code);
}

}  // namespace vantrel::engine
