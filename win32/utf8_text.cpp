// UTF-8 widened for our messages, without trusting the bytes: what is broken becomes U+FFFD.
#include "win32/utf8_text.h"

#include <cstdint>

namespace vantrel {

std::wstring Widen(std::string_view utf8) {
    std::wstring wide;
    wide.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        const unsigned char lead = static_cast<unsigned char>(utf8[i]);
        std::uint32_t code = lead;
        std::size_t length = 1;
        if (lead >= 0xF0) {
            code = lead & 0x07u;
            length = 4;
        } else if (lead >= 0xE0) {
            code = lead & 0x0Fu;
            length = 3;
        } else if (lead >= 0xC0) {
            code = lead & 0x1Fu;
            length = 2;
        } else if (lead >= 0x80) {
            code = 0xFFFD;  // a stray continuation byte
        }
        if (length > 1) {
            if (i + length > utf8.size()) {
                wide.push_back(L'\xFFFD');
                break;
            }
            for (std::size_t k = 1; k < length; ++k) {
                const unsigned char next = static_cast<unsigned char>(utf8[i + k]);
                if ((next & 0xC0u) != 0x80u) {
                    code = 0xFFFD;
                    length = k;
                    break;
                }
                code = (code << 6) | (next & 0x3Fu);
            }
        }
        i += length;
        if (code > 0x10FFFF) code = 0xFFFD;
        if constexpr (sizeof(wchar_t) == 2) {
            if (code >= 0x10000) {
                code -= 0x10000;
                wide.push_back(static_cast<wchar_t>(0xD800 + (code >> 10)));
                wide.push_back(static_cast<wchar_t>(0xDC00 + (code & 0x3FF)));
                continue;
            }
        }
        wide.push_back(static_cast<wchar_t>(code));
    }
    return wide;
}

}  // namespace vantrel
