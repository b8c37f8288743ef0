// Byte counts of a packed DIB and the BITMAPFILEHEADER that puts it into a .bmp file.
#include "imaging/bmp/dib_layout.h"

#include <algorithm>
#include <cstddef>

namespace vantrel {
namespace {

constexpr std::uint64_t kFileHeaderBytes = 14;
// Many readers take bfSize as signed, so no file may grow past this.
constexpr std::uint64_t kLargestFile = 0x7FFFFFFF;

constexpr std::uint32_t kCoreHeader = 12;   // BITMAPCOREHEADER
constexpr std::uint32_t kInfoHeader = 40;   // BITMAPINFOHEADER
constexpr std::uint32_t kAdobeRgb = 52;     // BITMAPV2INFOHEADER: R, G, B masks inside the header
constexpr std::uint32_t kAdobeRgba = 56;    // BITMAPV3INFOHEADER: R, G, B, A masks inside the header
constexpr std::uint32_t kV4Header = 108;
constexpr std::uint32_t kV5Header = 124;

constexpr std::uint32_t kRgb = 0;  // 1 and 2 are BI_RLE8 and BI_RLE4
constexpr std::uint32_t kBitfields = 3;
constexpr std::uint32_t kJpeg = 4;
constexpr std::uint32_t kPng = 5;
constexpr std::uint32_t kAlphaBitfields = 6;

constexpr std::uint32_t kProfileLinked = 0x4C494E4B;    // 'LINK'
constexpr std::uint32_t kProfileEmbedded = 0x4D424544;  // 'MBED'

// The callers check that `at + 4` lies within the block.
std::uint32_t ReadU32(std::span<const std::uint8_t> block, std::size_t at) {
    return static_cast<std::uint32_t>(block[at]) | static_cast<std::uint32_t>(block[at + 1]) << 8 |
           static_cast<std::uint32_t>(block[at + 2]) << 16 | static_cast<std::uint32_t>(block[at + 3]) << 24;
}

std::uint16_t ReadU16(std::span<const std::uint8_t> block, std::size_t at) {
    return static_cast<std::uint16_t>(block[at] | block[at + 1] << 8);
}

std::int32_t ReadI32(std::span<const std::uint8_t> block, std::size_t at) {
    return static_cast<std::int32_t>(ReadU32(block, at));
}

// What the byte counts need from either header family, widened so no sum below can wrap.
struct DibFacts {
    std::uint64_t headerBytes = 0;
    std::uint64_t width = 0;
    std::uint64_t rows = 0;
    std::uint32_t bitCount = 0;
    std::uint32_t compression = kRgb;
    std::uint64_t sizeImage = 0;     // 0: work it out from the geometry
    std::uint64_t colorsUsed = 0;
    std::uint64_t entryBytes = 4;    // RGBQUAD; RGBTRIPLE under a core header
    std::uint64_t maskBytes = 0;     // masks between the header and the colour table
    std::uint64_t profileEnd = 0;    // where a V5 header's profile data ends, from the header's start
};

// OS/2-era core headers are still written by some old drivers; they are cheap to carry, so they are
// taken: 16-bit unsigned sizes, no compression, a full table of 3-byte entries below 24 bits.
std::optional<DibFacts> ReadCoreHeader(std::span<const std::uint8_t> block) {
    DibFacts dib;
    dib.headerBytes = kCoreHeader;
    dib.width = ReadU16(block, 4);
    dib.rows = ReadU16(block, 6);
    dib.bitCount = ReadU16(block, 10);
    dib.entryBytes = 3;
    const bool knownDepth = dib.bitCount == 1 || dib.bitCount == 4 || dib.bitCount == 8 || dib.bitCount == 24;
    if (dib.width == 0 || dib.rows == 0 || !knownDepth) return std::nullopt;
    return dib;
}

// biPlanes is not looked at: drivers are known to leave it 0, and the file needs no plane count
// to be copied out. Depth and compression are checked one by one, not as pairs (a BI_RLE4 with
// 8 bits is the reader's trouble); only the byte counts matter here.
std::optional<DibFacts> ReadInfoHeader(std::span<const std::uint8_t> block, std::uint32_t headerSize) {
    const std::int32_t width = ReadI32(block, 4);
    const std::int32_t height = ReadI32(block, 8);
    if (width <= 0 || height == 0) return std::nullopt;

    DibFacts dib;
    dib.headerBytes = headerSize;
    dib.width = static_cast<std::uint64_t>(width);
    // Negative heights are top-down; widened first so INT32_MIN has a magnitude.
    const std::int64_t wideHeight = height;
    dib.rows = static_cast<std::uint64_t>(wideHeight < 0 ? -wideHeight : wideHeight);
    dib.bitCount = ReadU16(block, 14);
    dib.compression = ReadU32(block, 16);
    dib.sizeImage = ReadU32(block, 20);
    dib.colorsUsed = ReadU32(block, 32);

    if (dib.compression > kAlphaBitfields) return std::nullopt;
    const bool embedded = dib.compression == kJpeg || dib.compression == kPng;
    const std::uint32_t b = dib.bitCount;
    const bool knownDepth = b == 1 || b == 4 || b == 8 || b == 16 || b == 24 || b == 32 || (b == 0 && embedded);
    if (!knownDepth) return std::nullopt;

    // A 40-byte header is followed by its masks; the longer headers hold some or all of them.
    const std::uint64_t masks = dib.compression == kBitfields ? 3 : dib.compression == kAlphaBitfields ? 4 : 0;
    const std::uint64_t masksInHeader = (headerSize - kInfoHeader) / 4;
    dib.maskBytes = masks > masksInHeader ? (masks - masksInHeader) * 4 : 0;

    // A V5 profile (an embedded ICC profile, or the file name of a linked one) follows the pixels
    // and is addressed from the header's start; the file keeps it so the header stays true.
    if (headerSize == kV5Header) {
        const std::uint32_t colorSpace = ReadU32(block, 56);
        if (colorSpace == kProfileLinked || colorSpace == kProfileEmbedded)
            dib.profileEnd = std::uint64_t{ReadU32(block, 112)} + ReadU32(block, 116);
    }
    return dib;
}

std::optional<std::uint64_t> ColorTableBytes(const DibFacts& dib) {
    if (dib.bitCount == 0 || dib.bitCount > 8) return dib.colorsUsed * dib.entryBytes;  // optional table
    const std::uint64_t fullTable = std::uint64_t{1} << dib.bitCount;
    if (dib.colorsUsed > fullTable) return std::nullopt;
    return (dib.colorsUsed != 0 ? dib.colorsUsed : fullTable) * dib.entryBytes;
}

std::optional<std::uint64_t> PixelBytes(const DibFacts& dib) {
    // A driver's non-zero biSizeImage is taken as given; the block size check below still holds.
    if (dib.sizeImage != 0) return dib.sizeImage;
    const bool uncompressed = dib.compression == kRgb || dib.compression == kBitfields || dib.compression == kAlphaBitfields;
    if (!uncompressed) return std::nullopt;  // RLE, JPEG and PNG sizes cannot be worked out
    // width < 2^31 and bitCount <= 32 keep this under 2^37; capping the stride keeps stride * rows
    // under 2^62.
    const std::uint64_t stride = (dib.width * dib.bitCount + 31) / 32 * 4;
    if (stride > kLargestFile) return std::nullopt;
    return stride * dib.rows;
}

void PutU32(std::array<std::uint8_t, 14>& bytes, std::size_t at, std::uint32_t value) {
    for (std::size_t i = 0; i < 4; ++i) bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

}  // namespace

std::optional<BmpLayout> PlanBmpFile(std::span<const std::uint8_t> block) {
    if (block.size() < 4) return std::nullopt;
    const std::uint32_t headerSize = ReadU32(block, 0);
    const bool knownHeader = headerSize == kCoreHeader || headerSize == kInfoHeader || headerSize == kAdobeRgb ||
                             headerSize == kAdobeRgba || headerSize == kV4Header || headerSize == kV5Header;
    if (!knownHeader || block.size() < headerSize) return std::nullopt;

    const std::optional<DibFacts> dib =
        headerSize == kCoreHeader ? ReadCoreHeader(block) : ReadInfoHeader(block, headerSize);
    if (!dib) return std::nullopt;
    const std::optional<std::uint64_t> tableBytes = ColorTableBytes(*dib);
    const std::optional<std::uint64_t> pixelBytes = PixelBytes(*dib);
    if (!tableBytes || !pixelBytes) return std::nullopt;

    // Each term is below 2^62 (the table below 2^35), so neither sum wraps.
    const std::uint64_t pixelsAt = dib->headerBytes + dib->maskBytes + *tableBytes;
    const std::uint64_t dibBytes = std::max(pixelsAt + *pixelBytes, dib->profileEnd);
    if (kFileHeaderBytes + dibBytes > kLargestFile || dibBytes > block.size()) return std::nullopt;

    BmpLayout layout{};
    layout.dibBytes = static_cast<std::uint32_t>(dibBytes);
    layout.bfOffBits = static_cast<std::uint32_t>(kFileHeaderBytes + pixelsAt);
    layout.fileHeader[0] = 'B';
    layout.fileHeader[1] = 'M';
    PutU32(layout.fileHeader, 2, static_cast<std::uint32_t>(kFileHeaderBytes + dibBytes));  // bfSize; 6..9 stay 0
    PutU32(layout.fileHeader, 10, layout.bfOffBits);
    return layout;
}

}  // namespace vantrel
