// Assembling a page from the strips of a memory transfer, checked against the page the source described.
#pragma once

#include "imaging/page_buffer.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace vantrel::engine {

// What the source said of the page before its transfer (DAT_IMAGEINFO) and of its pixels.
struct MemoryPageLayout {
    std::int32_t width = 0;        // ImageWidth
    std::int32_t length = 0;       // ImageLength; -1 (or 0) when the source does not know it yet
    std::uint16_t pixelType = 0;   // TWPT_BW, TWPT_GRAY or TWPT_RGB
    std::int16_t bitsPerPixel = 0;
    bool chocolate = true;         // ICAP_PIXELFLAVOR: 0 is black (TWAIN's default)
    double xDpi = 0;
    double yDpi = 0;
};

// One strip as DAT_IMAGEMEMXFER describes it; `bytes` is the buffer the strip was written to.
struct MemoryStrip {
    std::uint16_t compression = 0;
    std::uint32_t bytesPerRow = 0;
    std::uint32_t columns = 0;
    std::uint32_t rows = 0;
    std::uint32_t xOffset = 0;
    std::uint32_t yOffset = 0;
    std::uint32_t bytesWritten = 0;
    std::span<const std::uint8_t> bytes;
};

// Our pixel format for TWAIN's pixel type and bits per pixel; nullopt for one the writers cannot take.
std::optional<imaging::PixelFormat> PixelFormatOf(std::uint16_t pixelType, std::int16_t bitsPerPixel);

// The buffer a memory transfer's strips are written to, from DAT_SETUPMEMXFER's answer: the source's
// preference (our default when it has none), kept within its minimum and maximum and our largest.
// Nullopt when its minimum is more than we give. TWON_DONTCARE32 (0xFFFFFFFF) in a field means none.
inline constexpr std::uint32_t kDefaultStripBytes = 64 * 1024;
inline constexpr std::uint32_t kLargestStripBytes = 16 * 1024 * 1024;
std::optional<std::uint32_t> StripBufferSize(std::uint32_t minimum, std::uint32_t maximum, std::uint32_t preferred);

class MemoryPage {
public:
    // Refuses layouts the writers cannot take (1-bit black and white, 8-bit grey, 24-bit RGB are
    // accepted) or whose size cannot be held; Error() says why.
    bool Begin(const MemoryPageLayout& layout);
    // Copies one strip into the page. A strip that claims more than its buffer holds, lies outside
    // the page, overlaps rows already received, holds part of a row, or is compressed is refused:
    // nothing of it is copied. Strips of whole rows that follow each other are placed by the bytes
    // they wrote: their Rows may be the rows asked for, their YOffset 0, the last one empty.
    bool Add(const MemoryStrip& strip);
    // The page with its rows in our pixel conventions (1 = black for 1-bit, 0 = black for grey).
    // For a page of unknown length, the rows received so far.
    std::optional<imaging::PageBuffer> Finish();

    const std::string& Error() const { return error_; }

private:
    bool Fail(std::string text);
    bool Grow(std::uint32_t rows);
    bool Place(const MemoryStrip& strip);

    MemoryPageLayout layout_{};
    imaging::PixelFormat format_ = imaging::PixelFormat::Rgb24;
    std::optional<imaging::PageBuffer> page_;
    std::uint32_t rowsSeen_ = 0;  // one past the lowest row any strip reached
    bool tiled_ = false;          // a strip narrower than the page came: offsets are taken as they are
    bool unknownLength_ = false;
    std::string error_;
};

}  // namespace vantrel::engine
