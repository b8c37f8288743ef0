// Whole-text number reading for values people type: no trailing characters, no silent wrap-around.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace vantrel::capability {

// Decimal, or hexadecimal after 0x; an optional leading minus.
std::optional<std::int64_t> ParseInteger(std::string_view text);
// A finite decimal number such as 300, 0.5 or -12.25.
std::optional<double> ParseReal(std::string_view text);

}  // namespace vantrel::capability
