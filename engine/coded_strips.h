// A page the source compressed, gathered from its memory-transfer strips: each strip's bytes are the next piece of
// the one coded stream, whatever its row counts say.
#pragma once

#include "engine/memory_page.h"
#include "imaging/coded_page.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace vantrel::engine {

inline constexpr std::uint64_t kLargestCodedPage = 256u << 20;

// The page the source described (DAT_IMAGEINFO) as the coded bytes it sent, checked to be that page; nullopt with
// `error` saying why not.
std::optional<imaging::CodedPage> KeptPage(const MemoryPageLayout& layout, std::uint16_t compression,
                                           std::span<const std::uint8_t> bytes, std::string& error);

class CodedStrips {
public:
    // `compression` is what was agreed (TWCP_JPEG or TWCP_GROUP4).
    explicit CodedStrips(std::uint16_t compression) : compression_(compression) {}
    // Appends the strip's BytesWritten bytes. Refused: a strip of another compression, one claiming more than its
    // buffer holds, or a page past kLargestCodedPage.
    bool Add(const MemoryStrip& strip);
    // The page the source described, as its coded bytes (checked to be that page), or nullopt with Error() set.
    std::optional<imaging::CodedPage> Finish(const MemoryPageLayout& layout);
    const std::string& Error() const { return error_; }

private:
    bool Fail(std::string text);

    std::uint16_t compression_;
    std::vector<std::uint8_t> bytes_;
    std::string error_;
};

}  // namespace vantrel::engine
