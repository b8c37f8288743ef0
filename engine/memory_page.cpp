// Assembling a page from memory-transfer strips: every count a source writes is checked before a byte is copied.
#include "engine/memory_page.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace vantrel::engine {

using imaging::PageBuffer;
using imaging::PixelFormat;

namespace {

constexpr std::uint16_t kBw = 0;
constexpr std::uint16_t kGray = 1;
constexpr std::uint16_t kRgb = 2;
constexpr std::uint16_t kNoCompression = 0;
// The rows a page of unknown length starts with, and the most it may grow to.
constexpr std::uint32_t kFirstRows = 256;
constexpr std::uint32_t kMaxRows = 1u << 20;

constexpr std::uint32_t kNone = 0xFFFFFFFF;

}  // namespace

std::optional<PixelFormat> PixelFormatOf(std::uint16_t pixelType, std::int16_t bits) {
    if (pixelType == kBw && bits == 1) return PixelFormat::BlackWhite1;
    if (pixelType == kGray && bits == 8) return PixelFormat::Gray8;
    if (pixelType == kRgb && bits == 24) return PixelFormat::Rgb24;
    return std::nullopt;
}

std::optional<std::uint32_t> StripBufferSize(std::uint32_t minimum, std::uint32_t maximum, std::uint32_t preferred) {
    const std::uint32_t low = minimum == kNone ? 1 : std::max(minimum, 1u);
    if (low > kLargestStripBytes) return std::nullopt;
    const std::uint32_t high = std::max(low, maximum == kNone || maximum == 0 ? kLargestStripBytes
                                                                              : std::min(maximum, kLargestStripBytes));
    const std::uint32_t wanted = preferred == kNone || preferred == 0 ? kDefaultStripBytes : preferred;
    return std::clamp(wanted, low, high);
}

bool MemoryPage::Fail(std::string text) {
    error_ = std::move(text);
    return false;
}

bool MemoryPage::Begin(const MemoryPageLayout& layout) {
    layout_ = layout;
    page_.reset();
    rowsSeen_ = 0;
    tiled_ = false;
    error_.clear();
    const auto format = PixelFormatOf(layout.pixelType, layout.bitsPerPixel);
    if (!format)
        return Fail("the source offers pixel type " + std::to_string(layout.pixelType) + " with " +
                    std::to_string(layout.bitsPerPixel) + " bits per pixel, which cannot be stored");
    format_ = *format;
    if (layout.width <= 0) return Fail("the source described a page " + std::to_string(layout.width) + " pixels wide");
    unknownLength_ = layout.length <= 0;
    const std::uint32_t rows = unknownLength_ ? kFirstRows : static_cast<std::uint32_t>(layout.length);
    page_ = PageBuffer::Make(static_cast<std::uint32_t>(layout.width), rows, format_, layout.xDpi, layout.yDpi);
    if (!page_) return Fail("there is not enough memory for a page of " + std::to_string(layout.width) + " by " +
                            std::to_string(rows) + " pixels");
    return true;
}

bool MemoryPage::Grow(std::uint32_t rows) {
    if (rows > kMaxRows) return Fail("the page grew past " + std::to_string(kMaxRows) + " rows");
    const imaging::PageImage old = page_->View();
    std::uint32_t wanted = std::max(old.height, 1u);
    while (wanted < rows) wanted = std::min(kMaxRows, wanted * 2);
    auto bigger = PageBuffer::Make(old.width, wanted, format_, layout_.xDpi, layout_.yDpi);
    if (!bigger) return Fail("there is not enough memory for a page of " + std::to_string(wanted) + " rows");
    std::memcpy(bigger->Bytes().data(), old.pixels.data(), old.pixels.size());
    page_ = std::move(bigger);
    return true;
}

bool MemoryPage::Add(const MemoryStrip& strip) {
    if (!page_) return Fail("a strip arrived for no page");
    if (strip.compression != kNoCompression)
        return Fail("the source sent a compressed strip (compression " + std::to_string(strip.compression) + ")");
    if (strip.bytesWritten > strip.bytes.size()) return Fail("a strip claims more bytes than its buffer holds");
    if (strip.bytesWritten == 0) return true;  // an empty strip, such as the extra last one some drivers send
    const std::uint32_t width = page_->View().width;
    // Whole-width strips in order need no counts but BytesWritten: real drivers report the rows
    // they were asked for and offsets of 0, and end a page with an empty strip.
    const bool wholeRows = strip.columns == width && strip.xOffset == 0 && !tiled_;
    const bool inOrder = wholeRows && (strip.yOffset == rowsSeen_ || strip.yOffset == 0);
    if (!wholeRows) tiled_ = true;
    MemoryStrip placed = strip;
    if (inOrder) {
        if (strip.bytesPerRow == 0 || strip.bytesWritten % strip.bytesPerRow != 0)
            return Fail("a strip holds part of a row (" + std::to_string(strip.bytesWritten) + " bytes in rows of " +
                        std::to_string(strip.bytesPerRow) + ")");
        placed.rows = strip.bytesWritten / strip.bytesPerRow;
        placed.yOffset = rowsSeen_;
    } else if (wholeRows && strip.yOffset < rowsSeen_) {
        return Fail("a strip overlaps rows already received (from row " + std::to_string(strip.yOffset) + ", " +
                    std::to_string(rowsSeen_) + " received)");
    }
    return Place(placed);
}

bool MemoryPage::Place(const MemoryStrip& strip) {
    if (strip.rows == 0) return true;
    if (strip.bytesPerRow == 0 || strip.rows > strip.bytesWritten / strip.bytesPerRow)
        return Fail("a strip's rows do not fit the bytes it wrote");

    const std::uint32_t width = page_->View().width;
    const std::uint32_t bits = imaging::BitsPerPixel(format_);
    if (strip.xOffset > width || strip.columns > width - strip.xOffset) return Fail("a strip lies outside the page");
    if ((std::uint64_t{strip.xOffset} * bits) % 8 != 0) return Fail("a strip starts inside a byte");
    const std::uint64_t rowBytes = (std::uint64_t{strip.columns} * bits + 7) / 8;
    if (rowBytes > strip.bytesPerRow) return Fail("a strip's rows are shorter than its columns");

    const std::uint64_t end = std::uint64_t{strip.yOffset} + strip.rows;
    if (end > page_->View().height) {
        if (!unknownLength_) return Fail("a strip lies below the page's last row");
        if (!Grow(static_cast<std::uint32_t>(std::min<std::uint64_t>(end, kMaxRows + 1ull)))) return false;
    }
    const std::size_t xByte = static_cast<std::size_t>(std::uint64_t{strip.xOffset} * bits / 8);
    // Our 1-bit pages have 1 = black; TWAIN's chocolate flavour has 0 = black. Grey is the other way.
    const bool invert = (format_ == PixelFormat::BlackWhite1) == layout_.chocolate;
    const bool partialLastByte = (std::uint64_t{strip.columns} * bits) % 8 != 0;
    for (std::uint32_t r = 0; r < strip.rows; ++r) {
        auto source = strip.bytes.subspan(static_cast<std::size_t>(std::uint64_t{r} * strip.bytesPerRow),
                                          static_cast<std::size_t>(rowBytes));
        auto target = page_->Row(strip.yOffset + r).subspan(xByte, static_cast<std::size_t>(rowBytes));
        if (format_ == PixelFormat::Rgb24 || !invert) {
            std::memcpy(target.data(), source.data(), source.size());
        } else {
            for (std::size_t i = 0; i < source.size(); ++i) target[i] = static_cast<std::uint8_t>(~source[i]);
        }
        // The bits past the strip's last column belong to no pixel: keep them clear.
        if (partialLastByte && strip.xOffset + strip.columns == width) {
            const unsigned used = static_cast<unsigned>((std::uint64_t{width} * bits) % 8);
            target.back() = static_cast<std::uint8_t>(target.back() & (0xFF00u >> used));
        }
    }
    rowsSeen_ = std::max(rowsSeen_, static_cast<std::uint32_t>(end));
    return true;
}

std::optional<PageBuffer> MemoryPage::Finish() {
    if (!page_) return std::nullopt;
    if (!unknownLength_) return std::move(page_);
    if (rowsSeen_ == 0) {
        Fail("the source sent no rows");
        return std::nullopt;
    }
    const imaging::PageImage grown = page_->View();
    auto exact = PageBuffer::Make(grown.width, rowsSeen_, format_, layout_.xDpi, layout_.yDpi);
    if (!exact) {
        Fail("there is not enough memory to finish the page");
        return std::nullopt;
    }
    std::memcpy(exact->Bytes().data(), grown.pixels.data(), exact->Bytes().size());
    page_.reset();
    return exact;
}

}  // namespace vantrel::engine
