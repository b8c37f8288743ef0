// Background level from the page's edges, paper level from its middle, each edge walked inward.
#include "imaging/cleanup/border_crop.h"

#include "imaging/cleanup/planes.h"
#include "imaging/cleanup/rotate.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace vantrel::imaging::cleanup {
namespace {

// Background and paper must differ by this much for a border to be seen at all.
constexpr int kMinimumContrast = 40;
// A row or column is background when this share of its pixels is: a band of the page number (up to 15 of its 16
// cells black) or a line of text never is.
constexpr double kBackgroundShare = 0.95;

std::uint8_t MiddleMedian(const GreyPlane& grey) {
    std::vector<std::uint8_t> levels;
    for (std::uint32_t y = grey.height / 4; y < grey.height - grey.height / 4; y += 2)
        for (std::uint32_t x = grey.width / 4; x < grey.width - grey.width / 4; x += 2) levels.push_back(grey.At(x, y));
    std::nth_element(levels.begin(), levels.begin() + static_cast<std::ptrdiff_t>(levels.size() / 2), levels.end());
    return levels[levels.size() / 2];
}

}  // namespace

SheetBox FindSheet(const PageImage& page) {
    if (!IsWellFormed(page)) return {};
    SheetBox box{0, 0, page.width, page.height};
    const GreyPlane grey = ToGrey(page);
    const Colour edge = EdgeColour(page);
    const int background = page.format == PixelFormat::Rgb24 ? (77 * edge[0] + 150 * edge[1] + 29 * edge[2]) >> 8 : edge[0];
    const int paper = MiddleMedian(grey);
    if (std::abs(background - paper) < kMinimumContrast) return box;
    const auto isBackground = [&](std::uint8_t level) { return std::abs(level - background) < std::abs(level - paper); };
    // Shares over the middle half of the other side only: the corners of a sheet that lay askew beyond the glass
    // stay background-coloured even after deskew, and must not hold the edge back.
    const auto rowShare = [&](std::uint32_t y) {
        const std::uint32_t from = box.left + (box.right - box.left) / 4, to = box.right - (box.right - box.left) / 4;
        std::uint32_t count = 0;
        for (std::uint32_t x = from; x < to; ++x) count += isBackground(grey.At(x, y));
        return static_cast<double>(count) / std::max<std::uint32_t>(1, to - from);
    };
    const auto columnShare = [&](std::uint32_t x) {
        const std::uint32_t from = box.top + (box.bottom - box.top) / 4, to = box.bottom - (box.bottom - box.top) / 4;
        std::uint32_t count = 0;
        for (std::uint32_t y = from; y < to; ++y) count += isBackground(grey.At(x, y));
        return static_cast<double>(count) / std::max<std::uint32_t>(1, to - from);
    };
    // The sheet's edge itself is a blend of paper and background a pixel or two wide (more if a little skew is
    // left): up to that many more rows or columns go while they are still mostly background.
    const std::uint32_t blend = std::max(2u, static_cast<std::uint32_t>(page.xDpi / 100));
    const auto walk = [&](std::uint32_t& edge, int step, auto share, auto size) {
        while (size() > 1 && share(step > 0 ? edge : edge - 1) >= kBackgroundShare) edge = static_cast<std::uint32_t>(static_cast<int>(edge) + step);
        for (std::uint32_t i = 0; i < blend && size() > 1 && share(step > 0 ? edge : edge - 1) >= 0.75; ++i)
            edge = static_cast<std::uint32_t>(static_cast<int>(edge) + step);
    };
    const auto width = [&] { return box.right - box.left; };
    const auto height = [&] { return box.bottom - box.top; };
    // Columns first, then rows between the sheet's sides; each keeps one pixel at least.
    walk(box.left, 1, columnShare, width);
    walk(box.right, -1, columnShare, width);
    walk(box.top, 1, rowShare, height);
    walk(box.bottom, -1, rowShare, height);
    return box;
}

std::optional<PageBuffer> Crop(const PageImage& page, SheetBox box) {
    if (!IsWellFormed(page) || box.right <= box.left || box.bottom <= box.top || box.right > page.width ||
        box.bottom > page.height)
        return std::nullopt;
    auto out = PageBuffer::Make(box.right - box.left, box.bottom - box.top, page.format, page.xDpi, page.yDpi);
    if (!out) return std::nullopt;
    const std::uint32_t bits = BitsPerPixel(page.format);
    for (std::uint32_t y = box.top; y < box.bottom; ++y) {
        const auto in = page.Row(y);
        const auto row = out->Row(y - box.top);
        if (bits >= 8) {
            std::memcpy(row.data(), in.data() + std::size_t{box.left} * bits / 8, std::size_t{out->View().width} * bits / 8);
            continue;
        }
        for (std::uint32_t x = box.left; x < box.right; ++x) {
            const std::uint32_t o = x - box.left;
            if ((in[x / 8] >> (7 - x % 8)) & 1) row[o / 8] = static_cast<std::uint8_t>(row[o / 8] | (0x80u >> (o % 8)));
        }
    }
    return out;
}

}  // namespace vantrel::imaging::cleanup
