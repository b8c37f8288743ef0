// Fitting client texts into the 34-byte single-byte text fields of a TWAIN identity.
#pragma once

#include <cstddef>
#include <functional>
#include <string_view>

namespace vantrel {

// The longest text a TW_STR32 field holds in front of its terminating zero.
inline constexpr std::size_t kIdentityTextLimit = 32;

// How many leading bytes of `ansi` fit into `limit` bytes without splitting a double-byte
// character: a lead byte whose trail byte would fall past the limit is left out with it.
std::size_t FittingTextLength(std::string_view ansi, std::size_t limit,
                              const std::function<bool(unsigned char)>& isLeadByte);

// Writes `ansi`, cut as above, into a zero-filled field of `fieldSize` bytes (at most
// fieldSize - 2 text bytes, so the terminating zero always follows).
void WriteIdentityText(char* field, std::size_t fieldSize, std::string_view ansi,
                       const std::function<bool(unsigned char)>& isLeadByte);

}  // namespace vantrel
