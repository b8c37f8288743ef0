// Reading back what a PDF written with checkpoints holds when its writing stopped part-way (pure).
#pragma once

#include <cstdint>
#include <optional>
#include <span>

namespace vantrel::imaging {

struct CompletePdf {
    std::uint64_t length = 0;  // the bytes up to and including the last complete update's "%%EOF\n"
    std::uint32_t pages = 0;   // the page tree's /Count there
};

// The longest prefix of `file` that ends with a complete update section: its startxref names a cross-reference
// section, every section reached through /Prev lies before it and every entry starts its object ("n 0 obj"), and
// the trailer's /Root leads through the catalog's /Pages to a /Count. That prefix is a document on its own.
// Nullopt when there is none (the file stopped before the first page ended, or is not one of ours).
std::optional<CompletePdf> FindCompletePdf(std::span<const std::uint8_t> file);

}  // namespace vantrel::imaging
