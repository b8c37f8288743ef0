// Fitting client texts into the 34-byte single-byte text fields of a TWAIN identity.
#include "twain/identity_text.h"

#include <algorithm>
#include <cstring>

namespace vantrel {

std::size_t FittingTextLength(std::string_view ansi, std::size_t limit,
                              const std::function<bool(unsigned char)>& isLeadByte) {
    std::size_t length = 0;
    while (length < ansi.size()) {
        const bool lead = isLeadByte(static_cast<unsigned char>(ansi[length])) && length + 1 < ansi.size();
        const std::size_t width = lead ? 2 : 1;
        if (length + width > limit) break;
        length += width;
    }
    return length;
}

void WriteIdentityText(char* field, std::size_t fieldSize, std::string_view ansi,
                       const std::function<bool(unsigned char)>& isLeadByte) {
    std::memset(field, 0, fieldSize);
    if (fieldSize < 2) return;
    const std::size_t length = FittingTextLength(ansi, std::min(kIdentityTextLimit, fieldSize - 2), isLeadByte);
    std::memcpy(field, ansi.data(), length);
}

}  // namespace vantrel
