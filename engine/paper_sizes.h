// The paper sizes clients name ("A4", "Letter"), with their TWSS codes and dimensions for the source's frame.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace vantrel::engine {

struct PaperSize {
    std::string_view name;    // as clients write it: "A4", "Letter"
    std::uint16_t twss;       // the ICAP_SUPPORTEDSIZES value
    double widthInches;
    double heightInches;
};

std::span<const PaperSize> PaperSizes();
// Names match without regard to case; "USLetter" and "TWSS_USLETTER" are accepted too.
std::optional<PaperSize> FindPaperSize(std::string_view name);
std::optional<PaperSize> FindPaperSize(std::uint16_t twss);

}  // namespace vantrel::engine
