// UTF-8 text (a capability's name, a source's own status text, a writer's error) as a wide string.
// Pure, so the native build has it too.
#pragma once

#include <string>
#include <string_view>

namespace vantrel {

std::wstring Widen(std::string_view utf8);

}  // namespace vantrel
