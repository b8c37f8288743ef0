// Deterministic page content: closed-form colour fields and hashed glyph strokes.
#include "imaging/jpeg/tests/test_pages.h"

#include <algorithm>
#include <cmath>

namespace vantrel::imaging::test {
namespace {

std::uint8_t Clamp(double value) { return static_cast<std::uint8_t>(std::clamp(std::lround(value), 0L, 255L)); }

std::uint32_t Hash(std::uint32_t a, std::uint32_t b) {
    std::uint32_t h = a * 0x9E3779B1u ^ (b + 0x7F4A7C15u) * 0x85EBCA77u;
    h ^= h >> 15;
    h *= 0xC2B2AE3Du;
    return h ^ h >> 13;
}

Rgb Photo(std::uint32_t px, std::uint32_t py) {
    const double x = px, y = py;
    const double dx = x - 900, dy = y - 1300;
    if (dx * dx + dy * dy < 400.0 * 400.0) return {Clamp(230 - dy * 0.05), Clamp(190 + dx * 0.04), 60};
    return {Clamp(120 + 80 * std::sin(x * 0.031 + 0.7 * std::sin(y * 0.017)) + 25 * std::cos(y * 0.09)),
            Clamp(110 + 70 * std::cos(y * 0.023 - x * 0.011) + 30 * std::sin(x * 0.013 + y * 0.007)),
            Clamp(130 + 60 * std::sin((x + y) * 0.019) + 40 * std::cos(x * 0.05) * std::sin(y * 0.04))};
}

// Text lines of 12-point type at 300 dpi: glyph cells 22x30 in lines 60 apart, words of 3..8 glyphs.
// Each glyph is a stem plus strokes chosen by a hash. Nothing is drawn above row 150.
bool Glyph(std::uint32_t x, std::uint32_t y) {
    if (x < 150 || y < 150) return false;
    const std::uint32_t line = (y - 150) / 60, inLine = (y - 150) % 60;
    if (inLine >= 30) return false;
    const std::uint32_t cell = (x - 150) / 22, gx = (x - 150) % 22, gy = inLine;
    if (gx >= 18) return false;
    const std::uint32_t h = Hash(cell, line);
    if (h % 7 == 0) return false;  // word space
    if (gx < 4 && (h & 0x10)) return true;              // left stem
    if (gx >= 14 && (h & 0x20)) return true;            // right stem
    if (gy < 4 && (h & 0x40)) return true;              // top bar
    if (gy >= 13 && gy < 17 && (h & 0x80)) return true;  // middle bar
    if (gy >= 26 && (h & 0x100)) return true;           // bottom bar
    return gx >= 7 && gx < 11 && (h & 0x200);           // middle stem
}

Rgb Document(std::uint32_t x, std::uint32_t y) {
    if (y >= 200 && y < 260 && x >= 150 && x < 2330) return {0, 70, 160};  // title band
    if (x >= 1900 && x < 2200 && y >= 300 && y < 600) return {200, 30, 40};  // logo box
    if (y >= 3000 && y < 3300 && x >= 300 && x < 1200) return {40, 150, 70};  // chart block
    if (y >= 260) {
        if (Glyph(x, y)) return {20, 20, 25};
        if (y >= 1050 && y < 1090 && x >= 140 && x < 1500) return {255, 240, 120};  // highlighted line
    }
    return {255, 255, 255};
}

}  // namespace

Rgb ContentColour(Content content, std::uint32_t x, std::uint32_t y) {
    switch (content) {
        case Content::Photo: return Photo(x, y);
        case Content::Document: return Document(x, y);
        case Content::Flat: return {30, 120, 200};
    }
    return {0, 0, 0};
}

std::uint8_t ContentGrey(Content content, std::uint32_t x, std::uint32_t y) {
    if (content == Content::Flat) return 200;
    const Rgb c = ContentColour(content, x, y);
    return Clamp(0.299 * c.r + 0.587 * c.g + 0.114 * c.b);
}

bool ContentInk(Content content, std::uint32_t x, std::uint32_t y) { return ContentGrey(content, x, y) < 128; }

OwnedPage MakePage(std::uint32_t width, std::uint32_t height, PixelFormat format, Content content,
                   std::uint32_t padding, double dpi) {
    OwnedPage page{width, height, format, MinimumStride(format, width) + padding, dpi, dpi, {}};
    const std::uint64_t rowBytes = MinimumStride(format, width);
    page.bytes.assign(static_cast<std::size_t>(page.stride * (height - 1) + rowBytes), 0xA5);
    for (std::uint32_t y = 0; y < height; ++y) {
        std::uint8_t* row = page.bytes.data() + page.stride * y;
        if (format == PixelFormat::BlackWhite1) {
            // Unused bits of the last byte stay set (ink), as garbage the encoder must ignore.
            std::fill(row, row + rowBytes, 0);
            for (std::uint32_t x = width; x < rowBytes * 8; ++x) row[x / 8] |= static_cast<std::uint8_t>(0x80 >> x % 8);
            for (std::uint32_t x = 0; x < width; ++x)
                if (ContentInk(content, x, y)) row[x / 8] |= static_cast<std::uint8_t>(0x80 >> x % 8);
            continue;
        }
        for (std::uint32_t x = 0; x < width; ++x) {
            if (format == PixelFormat::Gray8) {
                row[x] = ContentGrey(content, x, y);
                continue;
            }
            const Rgb c = ContentColour(content, x, y);
            row[3 * x] = c.r;
            row[3 * x + 1] = c.g;
            row[3 * x + 2] = c.b;
        }
    }
    return page;
}

}  // namespace vantrel::imaging::test
