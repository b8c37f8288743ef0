// The BMP file of a page: headers, table and bottom-up rows, written row by row.
#include "imaging/bmp/bmp_writer.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <vector>

namespace vantrel::imaging {
namespace {

constexpr std::uint64_t kHeadersBytes = 14 + 40;
constexpr std::uint64_t kLargestFile = 0x7FFFFFFF;

void Put(std::vector<std::uint8_t>& bytes, std::uint64_t value, int count) {
    for (int i = 0; i < count; ++i) bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

bool Usable(double dpi) { return std::isfinite(dpi) && dpi > 0; }

}  // namespace

std::int32_t PelsPerMeter(double dpi, double otherDpi) {
    const double chosen = Usable(dpi) ? dpi : otherDpi;
    if (!Usable(chosen)) return 0;
    const double ppm = std::round(chosen / 0.0254);
    if (ppm < 1 || ppm > 0x7FFFFFFF) return 0;
    return static_cast<std::int32_t>(ppm);
}

bool WriteBmp(const PageImage& page, ByteSink& sink) {
    if (!IsWellFormed(page)) return false;
    const std::uint32_t bits = BitsPerPixel(page.format);
    const std::uint64_t tableEntries = page.format == PixelFormat::BlackWhite1 ? 2 : page.format == PixelFormat::Gray8 ? 256 : 0;
    const std::uint64_t stride = (std::uint64_t{page.width} * bits + 31) / 32 * 4;
    const std::uint64_t pixelsAt = kHeadersBytes + 4 * tableEntries;
    if (page.width > 0x7FFFFFFF || page.height > 0x7FFFFFFF || stride > kLargestFile / page.height ||
        pixelsAt + stride * page.height > kLargestFile)
        return false;
    const std::uint64_t fileBytes = pixelsAt + stride * page.height;

    std::vector<std::uint8_t> head;
    head.reserve(static_cast<std::size_t>(pixelsAt));
    head.push_back('B');
    head.push_back('M');
    Put(head, fileBytes, 4);
    Put(head, 0, 4);
    Put(head, pixelsAt, 4);
    Put(head, 40, 4);
    Put(head, page.width, 4);
    Put(head, page.height, 4);  // positive: bottom-up, which every reader takes
    Put(head, 1, 2);
    Put(head, bits, 2);
    Put(head, 0, 4);  // BI_RGB
    Put(head, stride * page.height, 4);
    Put(head, static_cast<std::uint32_t>(PelsPerMeter(page.xDpi, page.yDpi)), 4);
    Put(head, static_cast<std::uint32_t>(PelsPerMeter(page.yDpi, page.xDpi)), 4);
    Put(head, tableEntries, 4);
    Put(head, 0, 4);
    if (page.format == PixelFormat::BlackWhite1) {
        Put(head, 0x00FFFFFF, 4);  // index 0 white, 1 black: the page's own bits, unchanged
        Put(head, 0x00000000, 4);
    }
    if (page.format == PixelFormat::Gray8) {
        for (std::uint32_t i = 0; i < 256; ++i) Put(head, i << 16 | i << 8 | i, 4);
    }
    if (!sink.Append(head)) return false;

    std::vector<std::uint8_t> row(static_cast<std::size_t>(stride), 0);
    const std::size_t used = static_cast<std::size_t>(MinimumStride(page.format, page.width));
    const unsigned spareBits = static_cast<unsigned>(used * 8 - std::uint64_t{page.width} * bits);
    for (std::uint32_t y = page.height; y-- > 0;) {
        const auto source = page.Row(y);
        if (page.format == PixelFormat::Rgb24) {
            for (std::size_t i = 0; i < used; i += 3) {
                row[i] = source[i + 2];
                row[i + 1] = source[i + 1];
                row[i + 2] = source[i];
            }
        } else {
            std::copy(source.begin(), source.end(), row.begin());
            // Padding bits hold anything in the page; the file must not depend on them.
            row[used - 1] = static_cast<std::uint8_t>(row[used - 1] & (0xFFu << spareBits));
        }
        if (!sink.Append(row)) return false;
    }
    return true;
}

}  // namespace vantrel::imaging
