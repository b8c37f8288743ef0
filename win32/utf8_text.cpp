// UTF-8 widened for our messages and wide text as UTF-8, without trusting either: what is broken becomes U+FFFD.
#include "win32/utf8_text.h"

#include <cstdint>

namespace vantrel {
namespace {

void AppendCodePoint(std::string& out, std::uint32_t c) {
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

}  // namespace


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

std::string ToUtf8(std::wstring_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        auto c = static_cast<std::uint32_t>(text[i]);
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size()) {
            const auto low = static_cast<std::uint32_t>(text[i + 1]);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
                ++i;
            }
        }
        if ((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) c = 0xFFFD;
        AppendCodePoint(out, c);
    }
    return out;
}

}  // namespace vantrel
