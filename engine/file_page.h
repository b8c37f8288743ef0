// The page in a file a source wrote by file transfer: a BMP of raw pixels, or the page it coded (a JFIF file, a
// TIFF holding one Group 4 strip), checked against the page it described.
#pragma once

#include "engine/memory_page.h"
#include "imaging/coded_page.h"
#include "imaging/page_buffer.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace vantrel::engine {

// The file format DAT_SETUPFILEXFER asks for with the compression agreed: TWFF_JFIF for TWCP_JPEG, TWFF_TIFF for
// TWCP_GROUP4, TWFF_BMP for none.
std::uint16_t FileFormatFor(std::uint16_t compression);

struct FilePage {
    std::optional<imaging::PageBuffer> raw;
    std::optional<imaging::CodedPage> coded;  // its bytes within the file's
};

// Nullopt with `error` set when the file is not the page: not a BMP, JFIF or TIFF as asked, a TIFF that is not one
// Group 4 strip of the page's size, or coded data that is not the page (see KeptPage).
std::optional<FilePage> ReadFilePage(std::span<const std::uint8_t> file, const MemoryPageLayout& layout,
                                     std::uint16_t compression, std::string& error);

}  // namespace vantrel::engine
