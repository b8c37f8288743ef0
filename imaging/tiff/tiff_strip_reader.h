// Reading back the first page of a TIFF whose image is one strip, as a scanner's file transfer writes a coded page.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

namespace vantrel::imaging::tiff {

struct TiffStrip {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint16_t compression = 1;    // TIFF's Compression: 4 is CCITT Group 4
    std::uint16_t photometric = 0;    // 0: WhiteIsZero (a 1 bit is black)
    double xDpi = 0;                  // 0 without a resolution in inches or centimetres
    double yDpi = 0;
    std::span<const std::uint8_t> bytes;  // the strip, within the file's bytes
};

// The first IFD of a little- or big-endian classic TIFF: its size, compression, photometric interpretation and
// resolution, and its one strip. Nullopt for anything else: a truncated or wrong header, an IFD or a strip outside
// the file, several strips, a missing width, height or strip.
std::optional<TiffStrip> ReadSingleStripTiff(std::span<const std::uint8_t> file);

}  // namespace vantrel::imaging::tiff
