// Writing the marker segments of a JFIF baseline file, each as marker, 16-bit length, fields.
#include "imaging/jpeg/jpeg_headers.h"

#include <cmath>
#include <optional>

#include "imaging/jpeg/icc_segments.h"

namespace vantrel::imaging::jpeg {
namespace {

constexpr std::uint8_t kJfifApp0 = 0xE0;
constexpr std::uint8_t kDefineQuantTables = 0xDB;
constexpr std::uint8_t kBaselineFrame = 0xC0;
constexpr std::uint8_t kDefineHuffmanTables = 0xC4;
constexpr std::uint8_t kStartOfScan = 0xDA;

void PutU16(std::vector<std::uint8_t>& out, std::uint32_t value) {
    out.push_back(static_cast<std::uint8_t>(value >> 8));
    out.push_back(static_cast<std::uint8_t>(value));
}

// The length field counts itself and the fields, not the marker.
void PutMarker(std::vector<std::uint8_t>& out, std::uint8_t marker, std::size_t fieldBytes) {
    out.push_back(0xFF);
    out.push_back(marker);
    PutU16(out, static_cast<std::uint32_t>(fieldBytes + 2));
}

std::optional<std::uint16_t> WholeDpi(double dpi) {
    if (!(dpi >= 0.5 && dpi < 65535.5)) return std::nullopt;
    return static_cast<std::uint16_t>(std::lround(dpi));
}

void AppendJfif(std::vector<std::uint8_t>& out, const JfifDensity& density) {
    PutMarker(out, kJfifApp0, 14);
    for (const char c : {'J', 'F', 'I', 'F', '\0'}) out.push_back(static_cast<std::uint8_t>(c));
    out.push_back(1);  // version 1.02
    out.push_back(2);
    out.push_back(density.units);
    PutU16(out, density.x);
    PutU16(out, density.y);
    out.push_back(0);  // no thumbnail
    out.push_back(0);
}

void AppendQuantTables(std::vector<std::uint8_t>& out, std::span<const QuantTable> tables) {
    PutMarker(out, kDefineQuantTables, 65 * tables.size());
    for (std::size_t t = 0; t < tables.size(); ++t) {
        out.push_back(static_cast<std::uint8_t>(t));  // 8-bit entries, destination t
        for (const std::uint8_t n : kZigzagToNatural) out.push_back(tables[t][n]);
    }
}

void AppendFrame(std::vector<std::uint8_t>& out, const FrameHeader& frame) {
    PutMarker(out, kBaselineFrame, 6 + 3 * frame.components.size());
    out.push_back(8);  // sample precision
    PutU16(out, frame.height);
    PutU16(out, frame.width);
    out.push_back(static_cast<std::uint8_t>(frame.components.size()));
    for (const FrameComponent& c : frame.components) {
        out.push_back(c.id);
        out.push_back(static_cast<std::uint8_t>(c.horizontalSampling << 4 | c.verticalSampling));
        out.push_back(c.table);
    }
}

void AppendHuffmanTable(std::vector<std::uint8_t>& out, std::uint8_t classAndDestination, const HuffmanTable& table) {
    out.push_back(classAndDestination);
    out.insert(out.end(), table.counts.begin(), table.counts.end());
    out.insert(out.end(), table.symbols.begin(), table.symbols.end());
}

// Annex K.3's tables: luminance in destination 0, chrominance (colour only) in destination 1.
void AppendHuffmanTables(std::vector<std::uint8_t>& out, bool colour) {
    std::size_t bytes = 2 * 17 + kLuminanceDc.symbols.size() + kLuminanceAc.symbols.size();
    if (colour) bytes += 2 * 17 + kChrominanceDc.symbols.size() + kChrominanceAc.symbols.size();
    PutMarker(out, kDefineHuffmanTables, bytes);
    AppendHuffmanTable(out, 0x00, kLuminanceDc);
    AppendHuffmanTable(out, 0x10, kLuminanceAc);
    if (!colour) return;
    AppendHuffmanTable(out, 0x01, kChrominanceDc);
    AppendHuffmanTable(out, 0x11, kChrominanceAc);
}

void AppendScan(std::vector<std::uint8_t>& out, std::span<const FrameComponent> components) {
    PutMarker(out, kStartOfScan, 4 + 2 * components.size());
    out.push_back(static_cast<std::uint8_t>(components.size()));
    for (const FrameComponent& c : components) {
        out.push_back(c.id);
        out.push_back(static_cast<std::uint8_t>(c.table << 4 | c.table));
    }
    out.push_back(0);   // spectral selection 0..63: all of each block, as sequential coding has it
    out.push_back(63);
    out.push_back(0);   // no successive approximation
}

}  // namespace

JfifDensity DensityFromDpi(double xDpi, double yDpi) {
    const auto x = WholeDpi(xDpi);
    const auto y = WholeDpi(yDpi);
    if (!x || !y) return {};
    return {.units = 1, .x = *x, .y = *y};
}

void AppendHeaders(std::vector<std::uint8_t>& out, const FrameHeader& frame) {
    out.push_back(0xFF);
    out.push_back(kStartOfImage);
    AppendJfif(out, frame.density);
    const std::vector<std::uint8_t> profile = IccSegments(frame.iccProfile);
    out.insert(out.end(), profile.begin(), profile.end());
    AppendQuantTables(out, frame.quantTables);
    AppendFrame(out, frame);
    AppendHuffmanTables(out, frame.components.size() > 1);
    AppendScan(out, frame.components);
}

}  // namespace vantrel::imaging::jpeg
