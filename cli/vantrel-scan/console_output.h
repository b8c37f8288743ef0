// Text to standard output and standard error: wide characters on a console, UTF-8 into files and pipes.
#pragma once

#include <string_view>

namespace vantrel::scan {

enum class Stream { Output, Error };

void Write(Stream stream, std::wstring_view text);
// Bytes as they are (JSON, already UTF-8).
void WriteBytes(Stream stream, std::string_view bytes);

}  // namespace vantrel::scan
