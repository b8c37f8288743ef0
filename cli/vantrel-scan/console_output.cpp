// Writing to the standard handles: WriteConsoleW keeps every character on a console whatever its
// code page; redirected output gets UTF-8 so that another program reads the same names.
#include "cli/vantrel-scan/console_output.h"

#include "cli/vantrel-scan/json_writer.h"

#include <windows.h>

#include <string>

namespace vantrel::scan {

namespace {

HANDLE HandleOf(Stream stream) { return ::GetStdHandle(stream == Stream::Output ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE); }

void WriteAll(HANDLE handle, std::string_view bytes) {
    while (!bytes.empty()) {
        DWORD written = 0;
        const DWORD chunk = static_cast<DWORD>(bytes.size() < 65536 ? bytes.size() : 65536);
        if (!::WriteFile(handle, bytes.data(), chunk, &written, nullptr) || written == 0) return;  // a closed pipe: nobody reads
        bytes.remove_prefix(written);
    }
}

}  // namespace

void Write(Stream stream, std::wstring_view text) {
    const HANDLE handle = HandleOf(stream);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return;
    DWORD mode = 0;
    if (::GetConsoleMode(handle, &mode)) {
        // The console wants CR LF; the text has LF alone.
        std::wstring lines;
        for (const wchar_t c : text) {
            if (c == L'\n') lines.push_back(L'\r');
            lines.push_back(c);
        }
        std::wstring_view rest(lines);
        while (!rest.empty()) {
            DWORD written = 0;
            const DWORD chunk = static_cast<DWORD>(rest.size() < 8192 ? rest.size() : 8192);
            if (!::WriteConsoleW(handle, rest.data(), chunk, &written, nullptr) || written == 0) return;
            rest.remove_prefix(written);
        }
        return;
    }
    WriteAll(handle, ToUtf8(text));
}

void WriteBytes(Stream stream, std::string_view bytes) {
    const HANDLE handle = HandleOf(stream);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return;
    DWORD mode = 0;
    if (::GetConsoleMode(handle, &mode)) {
        const int size = ::MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
        std::wstring wide(static_cast<std::size_t>(size > 0 ? size : 0), L'\0');
        if (size > 0) ::MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), wide.data(), size);
        Write(stream, wide);
        return;
    }
    WriteAll(handle, bytes);
}

}  // namespace vantrel::scan
