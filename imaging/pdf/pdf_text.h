// PDF numbers and dates as text, independent of the C locale.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace vantrel::imaging {

// Decimal digits, as std::to_chars writes them (never a thousands separator).
std::string PdfInteger(std::uint64_t value);

// A real rounded to 4 decimals with trailing zeros dropped ("595.2", "841.92", "72"), or nullopt when the
// value is negative, not finite or at least 2^31 (PDF readers' integer range bounds their reals too).
std::optional<std::string> PdfReal(double value);

// A moment as the document's clock gave it, with its offset from UTC.
struct PdfDate {
    int year = 2000;
    int month = 1;
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int utcOffsetMinutes = 0;  // east of Greenwich positive, within +-23:59
};

// The date string "D:YYYYMMDDHHmmSS+HH'mm'"; nullopt when a field is out of range or the day does not exist.
std::optional<std::string> PdfDateText(const PdfDate& date);

}  // namespace vantrel::imaging
