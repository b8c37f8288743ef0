// Pages the file tests make: a text-like bilevel page, grey and colour gradients; and their raw pixels for the checker.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "imaging/page_buffer.h"

namespace files_testing {

using vantrel::imaging::PageBuffer;
using vantrel::imaging::PageImage;
using vantrel::imaging::PixelFormat;

// Lines of "words" made of glyph-like strokes, as a typed page has: margins, line spacing, word gaps.
inline PageBuffer TextPage(std::uint32_t width, std::uint32_t height, double dpi) {
    PageBuffer page = *PageBuffer::Make(width, height, PixelFormat::BlackWhite1, dpi, dpi);
    const std::uint32_t glyphW = 22, glyphH = 32, lineStep = 54, margin = width / 10;
    std::uint32_t state = 7;
    const auto next = [&state] { return (state = state * 1103515245u + 12345u) >> 16; };
    const auto ink = [&page](std::uint32_t x, std::uint32_t y) { page.Row(y)[x / 8] |= static_cast<std::uint8_t>(0x80u >> (x % 8)); };
    for (std::uint32_t top = margin; top + glyphH < height - margin; top += lineStep) {
        std::uint32_t x = margin;
        while (x + glyphW < width - margin) {
            const std::uint32_t letters = 2 + next() % 8;
            for (std::uint32_t l = 0; l < letters && x + glyphW < width - margin; ++l, x += glyphW) {
                const std::uint32_t shape = next() % 6;
                for (std::uint32_t dy = 0; dy < glyphH; ++dy) {
                    for (std::uint32_t dx = 2; dx < glyphW - 4; ++dx) {
                        const bool stem = dx < 6;
                        const bool bar = (dy < 4 && shape % 2 == 0) || (dy >= glyphH / 2 - 2 && dy < glyphH / 2 + 2 && shape >= 2) ||
                                         (dy >= glyphH - 4 && shape % 3 == 0);
                        const bool right = dx >= glyphW - 8 && shape >= 3;
                        if (stem || bar || right) ink(x + dx, top + dy);
                    }
                }
            }
            x += glyphW;  // the space between words
        }
    }
    return page;
}

inline PageBuffer GreyPage(std::uint32_t width, std::uint32_t height, double dpi) {
    PageBuffer page = *PageBuffer::Make(width, height, PixelFormat::Gray8, dpi, dpi);
    for (std::uint32_t y = 0; y < height; ++y) {
        auto row = page.Row(y);
        for (std::uint32_t x = 0; x < width; ++x) row[x] = static_cast<std::uint8_t>((x * 255 / width + y) % 256);
    }
    return page;
}

inline PageBuffer ColourPage(std::uint32_t width, std::uint32_t height, double dpi) {
    PageBuffer page = *PageBuffer::Make(width, height, PixelFormat::Rgb24, dpi, dpi);
    for (std::uint32_t y = 0; y < height; ++y) {
        auto row = page.Row(y);
        for (std::uint32_t x = 0; x < width; ++x) {
            const bool box = (x / 300 + y / 300) % 3 == 0;
            row[3 * x] = static_cast<std::uint8_t>(box ? 200 : x * 255 / width);
            row[3 * x + 1] = static_cast<std::uint8_t>(box ? 40 : y * 255 / height);
            row[3 * x + 2] = static_cast<std::uint8_t>(box ? 60 : 128);
        }
    }
    return page;
}

inline PageBuffer PageOf(PixelFormat format, std::uint32_t width, std::uint32_t height, double dpi) {
    if (format == PixelFormat::BlackWhite1) return TextPage(width, height, dpi);
    if (format == PixelFormat::Gray8) return GreyPage(width, height, dpi);
    return ColourPage(width, height, dpi);
}

// The pixels as Pillow's "L" (1-bit pages as 0 black, 255 white) or "RGB" bytes.
inline void WriteRaw(const PageImage& page, const std::filesystem::path& path) {
    std::ofstream out(path, std::ios::binary);
    std::string row;
    for (std::uint32_t y = 0; y < page.height; ++y) {
        const auto source = page.Row(y);
        if (page.format == PixelFormat::BlackWhite1) {
            row.assign(page.width, '\0');
            for (std::uint32_t x = 0; x < page.width; ++x) row[x] = (source[x / 8] >> (7 - x % 8)) & 1 ? '\0' : '\xFF';
        } else {
            row.assign(reinterpret_cast<const char*>(source.data()), source.size());
        }
        out.write(row.data(), static_cast<std::streamsize>(row.size()));
    }
}

inline const char* ModeName(PixelFormat format) {
    return format == PixelFormat::BlackWhite1 ? "1" : format == PixelFormat::Gray8 ? "L" : "RGB";
}

}  // namespace files_testing
