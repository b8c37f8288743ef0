// The tables the constants are kept in, for the lookups in twain_names.cpp.
#pragma once

#include "twain/capability/twain_names.h"

#include <span>

namespace vantrel::capability {

std::span<const ConstantInfo> ValueConstants();
std::span<const ConstantInfo> CountryConstants();
std::span<const ConstantInfo> LanguageConstants();

}  // namespace vantrel::capability
