// The paper sizes this source offers (ICAP_SUPPORTEDSIZES) and their dimensions in inches (pure logic).
#pragma once

#include "scanner/twain_source_records.h"

namespace vantrel::scanner {

struct PaperSize {
    twain::TW_UINT16 code;
    double width;  // inches
    double height;
};

// ISO sizes from their millimetres (210 x 297, 148 x 210), US sizes exact.
inline constexpr PaperSize kPaperSizes[] = {
    {twain::TWSS_A4, 210 / 25.4, 297 / 25.4},
    {twain::TWSS_A5, 148 / 25.4, 210 / 25.4},
    {twain::TWSS_USLETTER, 8.5, 11},
    {twain::TWSS_USLEGAL, 8.5, 14},
};

// The size for a TWSS code; null for TWSS_NONE and codes not offered.
inline const PaperSize* FindPaper(twain::TW_UINT16 code) {
    for (const PaperSize& paper : kPaperSizes) {
        if (paper.code == code) return &paper;
    }
    return nullptr;
}

}  // namespace vantrel::scanner
