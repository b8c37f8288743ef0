// UTF-8 text (a capability's name, a source's own status text, a writer's error) as a wide string, and back.
// Pure, so the native build has it too.
#pragma once

#include <string>
#include <string_view>

namespace vantrel {

std::wstring Widen(std::string_view utf8);
// UTF-8 for wide text; an unpaired surrogate becomes U+FFFD, so the output is always valid UTF-8.
std::string ToUtf8(std::wstring_view text);

}  // namespace vantrel
