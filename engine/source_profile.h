// The colour profile a source has for its pages: asked for once per batch (ICAP_ICCPROFILE) and read for each page
// while it is in transfer (DAT_ICCPROFILE).
#pragma once

#include "engine/source_ref.h"

#include <cstdint>
#include <vector>

namespace vantrel::engine {

// Where the source offers ICAP_ICCPROFILE, asks it to embed its profile (TWIC_EMBED) in what it hands over; that
// governs only the files of a file transfer, so a refusal is no reason to stop. Sent in state 4.
void AskForProfiles(const SourceRef& source);

// DG_IMAGE / DAT_ICCPROFILE / MSG_GET after a page's transfer and before MSG_ENDXFER (state 7): the profile copied
// out of the block the source allocated, which is freed here as its DSM frees memory. Empty when the source has none,
// does not support the request, or gives one whose header is damaged or that is over imaging::kLargestProfileBytes.
std::vector<std::uint8_t> ReadPageProfile(const SourceRef& source);

}  // namespace vantrel::engine
