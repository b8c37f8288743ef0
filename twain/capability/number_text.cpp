// Number reading for values in words.
#include "twain/capability/number_text.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string>

namespace vantrel::capability {

std::optional<std::int64_t> ParseInteger(std::string_view text) {
    bool negative = false;
    if (!text.empty() && text.front() == '-') {
        negative = true;
        text.remove_prefix(1);
    }
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    }
    if (text.empty() || text.front() == '-' || text.front() == '+') return std::nullopt;
    std::uint64_t magnitude = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), magnitude, base);
    if (error != std::errc{} || end != text.data() + text.size()) return std::nullopt;
    constexpr std::uint64_t kLargest = 0x7FFFFFFFFFFFFFFFull;
    if (magnitude > kLargest + (negative ? 1 : 0)) return std::nullopt;
    if (!negative) return static_cast<std::int64_t>(magnitude);
    return magnitude == kLargest + 1 ? INT64_MIN : -static_cast<std::int64_t>(magnitude);
}

std::optional<double> ParseReal(std::string_view text) {
    if (text.empty() || text.size() > 64) return std::nullopt;
    for (const char c : text) {
        const bool allowed = (c >= '0' && c <= '9') || c == '.' || c == '-' || c == '+' || c == 'e' || c == 'E';
        if (!allowed) return std::nullopt;  // no "inf", "nan" or hexadecimal floating point
    }
    const std::string copy(text);
    char* end = nullptr;
    const double value = std::strtod(copy.c_str(), &end);
    if (end != copy.c_str() + copy.size() || !std::isfinite(value)) return std::nullopt;
    return value;
}

}  // namespace vantrel::capability
