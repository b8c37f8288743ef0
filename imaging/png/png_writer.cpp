// The PNG file around a page's deflated rows.
#include "imaging/png/png_writer.h"

#include <zlib.h>

#include <array>
#include <cmath>
#include <new>
#include <vector>

#include "imaging/icc_profile.h"

#include "imaging/png/png_chunk.h"
#include "imaging/png/row_deflater.h"
#include "imaging/png/sample_rows.h"

namespace vantrel::imaging {
namespace {

constexpr std::array<std::uint8_t, 8> kSignature = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr std::uint32_t kLargestPngInteger = 0x7FFFFFFF;
constexpr double kMetresPerInch = 0.0254;
constexpr std::size_t kIdatBytes = 65536;

bool HasDpi(double dpi) { return std::isfinite(dpi) && dpi > 0; }

std::optional<std::uint32_t> ToPixelsPerMetre(double dpi) {
    const double perMetre = std::round(dpi / kMetresPerInch);
    if (!(perMetre >= 1 && perMetre <= kLargestPngInteger)) return std::nullopt;
    return static_cast<std::uint32_t>(perMetre);
}

std::span<std::uint8_t, 4> At(std::span<std::uint8_t> bytes, std::size_t offset) {
    return std::span<std::uint8_t, 4>(bytes.data() + offset, 4);
}

bool WriteHeader(const PageImage& page, ByteSink& sink) {
    std::array<std::uint8_t, 13> ihdr{};
    PutBigEndian32(page.width, At(ihdr, 0));
    PutBigEndian32(page.height, At(ihdr, 4));
    ihdr[8] = page.format == PixelFormat::BlackWhite1 ? 1 : 8;  // bit depth
    ihdr[9] = page.format == PixelFormat::Rgb24 ? 2 : 0;         // colour type: truecolour or greyscale
    // ihdr[10..12]: deflate, adaptive filtering, no interlace (all method 0)
    return sink.Append(kSignature) && WriteChunk(sink, MakeChunkType("IHDR"), ihdr);
}

bool WriteDensity(const PageImage& page, ByteSink& sink) {
    const std::optional<PixelsPerMetre> density = PngDensity(page.xDpi, page.yDpi);
    if (!density) return true;
    std::array<std::uint8_t, 9> phys{};
    PutBigEndian32(density->x, At(phys, 0));
    PutBigEndian32(density->y, At(phys, 4));
    phys[8] = 1;  // the unit is the metre
    return WriteChunk(sink, MakeChunkType("pHYs"), phys);
}

// iCCP: a name, its NUL, compression method 0 and the profile deflated. Chosen over the sRGB chunk even for sRGB
// pages, so every file of a page carries the same bytes; PNG allows only one of the two.
bool WriteProfile(const PageImage& page, ByteSink& sink) {
    const std::span<const std::uint8_t> profile = EmbeddableProfile(page.iccProfile, page.format);
    if (profile.empty()) return true;
    constexpr char kName[] = "ICC profile";
    std::vector<std::uint8_t> data(kName, kName + sizeof kName);  // with its NUL
    data.push_back(0);
    uLongf deflated = compressBound(static_cast<uLong>(profile.size()));
    try {
        data.resize(data.size() + deflated);
    } catch (const std::bad_alloc&) {
        return false;
    }
    std::uint8_t* out = data.data() + sizeof kName + 1;
    if (compress2(out, &deflated, profile.data(), static_cast<uLong>(profile.size()), Z_BEST_COMPRESSION) != Z_OK) return false;
    data.resize(sizeof kName + 1 + deflated);
    return WriteChunk(sink, MakeChunkType("iCCP"), data);
}

}  // namespace

std::optional<PixelsPerMetre> PngDensity(double xDpi, double yDpi) {
    if (!HasDpi(xDpi)) xDpi = yDpi;
    if (!HasDpi(yDpi)) yDpi = xDpi;
    if (!HasDpi(xDpi)) return std::nullopt;
    const std::optional<std::uint32_t> x = ToPixelsPerMetre(xDpi);
    const std::optional<std::uint32_t> y = ToPixelsPerMetre(yDpi);
    if (!x || !y) return std::nullopt;
    return PixelsPerMetre{*x, *y};
}

bool WritePng(const PageImage& page, ByteSink& sink, PngOptions options) {
    if (!RowsAddressable(page)) return false;
    if (page.width > kLargestPngInteger || page.height > kLargestPngInteger) return false;
    if (options.zlibLevel < 0 || options.zlibLevel > 9) return false;
    if (!WriteHeader(page, sink) || !WriteProfile(page, sink) || !WriteDensity(page, sink)) return false;
    const auto writeIdat = [&sink](std::span<const std::uint8_t> piece) {
        return WriteChunk(sink, MakeChunkType("IDAT"), piece);
    };
    const RowDeflateOptions deflate{.level = options.zlibLevel, .pngFilters = true, .pieceBytes = kIdatBytes};
    if (!DeflateRows(page, deflate, writeIdat)) return false;
    return WriteChunk(sink, MakeChunkType("IEND"), {});
}

}  // namespace vantrel::imaging
