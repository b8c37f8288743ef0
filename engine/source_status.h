// What a source says after a failure: its condition code (DAT_STATUS) and, where offered, its own text.
#pragma once

#include "engine/source_ref.h"

#include <cstdint>
#include <string>

namespace vantrel::engine {

struct SourceStatus {
    std::uint16_t condition = twain::TWCC_BUMMER;  // when the source cannot even say
    std::wstring text;                            // DAT_STATUSUTF8, empty when not offered
};

// The condition code alone (DAT_STATUS), TWCC_BUMMER when the source cannot say; asked right after
// the failing request, as TWAIN wants: the next request would reset it.
std::uint16_t ReadCondition(const SourceRef& source);

// Asks right after the failing request, as TWAIN wants: the next request would reset the code.
SourceStatus ReadStatus(const SourceRef& source);
// "paper jam (TWCC_PAPERJAM): Paper jam in the feeder" or without the source's text.
std::wstring DescribeStatus(const SourceStatus& status);

}  // namespace vantrel::engine
