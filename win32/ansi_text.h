// Conversions between automation (UTF-16) text and the system's ANSI code page.
#pragma once

#include <string>
#include <string_view>

namespace vantrel {

std::string ToAnsi(std::wstring_view text);
std::wstring FromAnsi(std::string_view text);

}  // namespace vantrel
