// Document pages instead of the test chart (VANTREL_SCANNER_CONTENT=document): which pages are blank, how far each is
// askew, border, specks and shading, as the environment asks; the same page for the same setting (pure logic).
#pragma once

#include "imaging/document/document_page.h"
#include "scanner/paper_path.h"

#include <cstdint>
#include <optional>
#include <set>
#include <string_view>

namespace vantrel::scanner {

// The clean-up a scanner does itself: offered as ICAP_AUTODISCARDBLANKPAGES, ICAP_AUTOMATICDESKEW and
// ICAP_AUTOMATICBORDERDETECTION (VANTREL_SCANNER_CLEANUP=blank,deskew,border), done once the application sets them.
struct OwnCleanup {
    bool blank = false, deskew = false, border = false;
    bool fixed = false;  // offered, but held off: a SET is refused (TWCC_CAPBADOPERATION)
};

struct DocumentSettings {
    bool enabled = false;
    OwnCleanup offers;
    double skew = 0;             // degrees for every page, or
    std::uint32_t skewSeed = 0;  // with skewBound > 0: each page's own angle within +-skewBound from this seed
    double skewBound = 0;
    bool blankBacks = false;     // every back is blank paper (one-sided sheets)
    std::set<int> blankPages;    // and these page numbers
    bool border = false;
    int specks = 0;
    bool shade = false;
};

// The variables as read (absent ones empty); a value that does not parse keeps its default.
struct DocumentVariables {
    std::string_view content = {}, skew = {}, blank = {}, border = {}, specks = {}, shade = {}, cleanup = {};
};
DocumentSettings ParseDocumentSettings(const DocumentVariables& variables);

// The page in `slot`, `width` x `height` pixels at `dpi`; nullopt when document pages are off. A page with content
// carries its number in the band; a blank one has none, but faint noise, punch holes and the specks. The scanner's own
// deskew and border detection, where `doing` says so, leave it straight and cut to the sheet.
std::optional<imaging::document::DocumentPlan> DocumentPage(const DocumentSettings& settings, PageSlot slot, int width,
                                                            int height, int dpi, OwnCleanup doing = {});

// A blank page the scanner discards itself (`doing.blank`): never delivered.
bool Discarded(const DocumentSettings& settings, PageSlot slot, OwnCleanup doing);

}  // namespace vantrel::scanner
