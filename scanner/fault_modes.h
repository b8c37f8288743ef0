// The feeder's contents and the faults a test asks for, as the environment spells them (pure logic).
#pragma once

#include "scanner/twain_source_records.h"

#include <string_view>

namespace vantrel::scanner {

inline constexpr int kDefaultSheets = 5;
inline constexpr int kMaxSheets = 10000;

// VANTREL_SCANNER_SHEETS: a whole number 0..kMaxSheets; anything else gives the default.
int ParseSheets(std::string_view text);

struct Faults {
    int jamAt = 0;         // page number whose transfer fails with TWCC_PAPERJAM (0: none)
    int doubleFeedAt = 0;  // ... with TWCC_PAPERDOUBLEFEED
    int cancelAt = 0;      // ... ends TWRC_CANCEL, as if the user cancelled
    bool empty = false;    // the feeder holds no paper
    bool earlyReady = false;  // MSG_XFERREADY sent from inside MSG_ENABLEDS
};

// VANTREL_SCANNER_FAULT: comma-separated items "jam:K", "doublefeed:K", "cancel:K" (K >= 1),
// "empty", "earlyready". Items that do not parse are ignored.
Faults ParseFaults(std::string_view text);

// Habits of real drivers the scanner takes on when asked, so the application's tolerance of each
// can be tested.
struct Quirks {
    bool rowsAsked = false;        // memory strips report the rows asked for, not the rows written
    bool zeroOffsets = false;      // memory strips report XOffset and YOffset 0
    bool emptyFinalStrip = false;  // a page ends with an extra TWRC_XFERDONE strip of 0 bytes
    bool setCurrentFails = false;  // MSG_SET of ICAP_PIXELTYPE fails with TWCC_BUMMER, even to its current value
    bool countUnknown = false;     // MSG_ENDXFER answers Count -1 while pages remain
    bool silentUi = false;         // enabled, shows no dialog (even when asked) and never signals a transfer
    bool highHandles = false;      // 64-bit: memory handed out above 4 GB
    bool booleansAsEnums = false;  // TW_BOOL capabilities answered as enumerations of TWTY_UINT16 0 and 1
    bool unitsPixels = false;      // ICAP_UNITS starts as TWUN_PIXELS; frames and sizes come in them
    bool resolutionUnknown = false;  // DAT_IMAGEINFO's resolution -1, a DIB without pixels per metre
    bool bitDepthZero = false;     // ICAP_BITDEPTH answers 0; only DAT_IMAGEINFO has the depth
    bool bwWithoutPalette = false;  // a 1-bit native DIB with biClrUsed 0 and no colour table
    bool badCompressed = false;    // a compressed page's stream is cut to half its length
};

// VANTREL_SCANNER_QUIRKS: comma-separated names: "rows-asked", "zero-offsets",
// "empty-final-strip", "set-current-fails", "count-unknown", "silent-ui", "high-handles",
// "booleans-as-enums", "units-pixels", "resolution-unknown", "bitdepth-zero", "bw-without-palette",
// "bad-compressed".
// Names it does not know are ignored.
Quirks ParseQuirks(std::string_view text);

// The condition a transfer of page `number` fails with (TWCC_SUCCESS: none).
twain::TW_UINT16 FeedFailure(const Faults& faults, int number);

}  // namespace vantrel::scanner
