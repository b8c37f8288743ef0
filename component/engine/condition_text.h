// Condition codes in the words our errors use: "paper jam (TWCC_PAPERJAM)".
#pragma once

#include <cstdint>
#include <string>

namespace vantrel::engine {

std::wstring DescribeCondition(std::uint16_t code);
// ASCII and UTF-8 text (a capability's name, a source's own status text) as a wide string.
std::wstring Widen(std::string_view utf8);

}  // namespace vantrel::engine
