// Writing PDF numbers and dates digit by digit, so no locale can change them.
#include "imaging/pdf/pdf_text.h"

#include <charconv>
#include <cmath>

namespace vantrel::imaging {
namespace {

constexpr double kLargestReal = 2147483648.0;  // 2^31
constexpr int kDecimals = 4;
constexpr std::int64_t kScale = 10000;

std::string Padded(int value, int digits) {
    std::string text = PdfInteger(static_cast<std::uint64_t>(value));
    if (text.size() < static_cast<std::size_t>(digits)) text.insert(0, static_cast<std::size_t>(digits) - text.size(), '0');
    return text;
}

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

}  // namespace

std::string PdfInteger(std::uint64_t value) {
    char digits[20];
    const auto result = std::to_chars(digits, digits + sizeof digits, value);
    return std::string(digits, result.ptr);
}

std::optional<std::string> PdfReal(double value) {
    if (!std::isfinite(value) || value < 0 || value >= kLargestReal) return std::nullopt;
    const auto scaled = static_cast<std::int64_t>(std::llround(value * kScale));
    std::string text = PdfInteger(static_cast<std::uint64_t>(scaled / kScale));
    std::int64_t fraction = scaled % kScale;
    if (fraction == 0) return text;
    int decimals = kDecimals;
    while (fraction % 10 == 0) {
        fraction /= 10;
        --decimals;
    }
    return text + "." + Padded(static_cast<int>(fraction), decimals);
}

std::optional<std::string> PdfDateText(const PdfDate& d) {
    if (d.year < 0 || d.year > 9999 || d.month < 1 || d.month > 12) return std::nullopt;
    if (d.day < 1 || d.day > DaysInMonth(d.year, d.month)) return std::nullopt;
    if (d.hour < 0 || d.hour > 23 || d.minute < 0 || d.minute > 59 || d.second < 0 || d.second > 59) return std::nullopt;
    if (d.utcOffsetMinutes < -(23 * 60 + 59) || d.utcOffsetMinutes > 23 * 60 + 59) return std::nullopt;
    const int offset = std::abs(d.utcOffsetMinutes);
    return "D:" + Padded(d.year, 4) + Padded(d.month, 2) + Padded(d.day, 2) + Padded(d.hour, 2) + Padded(d.minute, 2) +
           Padded(d.second, 2) + (d.utcOffsetMinutes < 0 ? "-" : "+") + Padded(offset / 60, 2) + "'" +
           Padded(offset % 60, 2) + "'";
}

}  // namespace vantrel::imaging
