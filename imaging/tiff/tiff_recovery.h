// Reading back what a TIFF holds when its writing stopped part-way (pure).
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "imaging/byte_sink.h"

namespace vantrel::imaging {

struct CompleteTiff {
    std::uint64_t length = 0;     // the bytes up to the end of the last complete page's directory and values
    std::uint32_t pages = 0;
    std::uint64_t lastLink = 0;   // where the last complete directory's next-IFD offset sits (to be set to 0)
    std::vector<std::uint64_t> totalPositions;  // each page's PageNumber total (a SHORT), to be set to `pages`
};

// Follows the chain of directories from the header while each lies inside `file`, after the one before, with
// every value and strip inside `file` too; the pages so found, the first that fails and everything after it
// left out. Nullopt without a header ("II", 42) or a first complete page.
std::optional<CompleteTiff> FindCompleteTiff(std::span<const std::uint8_t> file);

// Writes the recovered file onto `sink`: the prefix, its last link ended and the page totals written.
bool WriteRecoveredTiff(std::span<const std::uint8_t> file, const CompleteTiff& complete, ByteSink& sink);

}  // namespace vantrel::imaging
