// Condition codes in the words our errors use: "paper jam (TWCC_PAPERJAM)".
#pragma once

#include <cstdint>
#include <string>

namespace vantrel::engine {

std::wstring DescribeCondition(std::uint16_t code);

}  // namespace vantrel::engine
