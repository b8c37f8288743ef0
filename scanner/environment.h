// Reading the environment variables through which tests steer the source.
#pragma once

#include <string>

namespace vantrel::scanner {

// The value of an environment variable, empty when it is not set.
std::wstring EnvironmentWide(const wchar_t* name);

// The same as narrow text; the values the source reads are ASCII ("color", "400x300"), so any
// other character becomes '?' and the value simply does not parse.
std::string EnvironmentText(const wchar_t* name);

}  // namespace vantrel::scanner
