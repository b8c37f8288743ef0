// Gathering a compressed page's strips and checking the stream is the page described before it is kept as it came.
#include "engine/coded_strips.h"

#include "imaging/coded/coded_page_check.h"
#include "twain/twain_records.h"

#include <utility>

namespace vantrel::engine {

bool CodedStrips::Fail(std::string text) {
    error_ = std::move(text);
    return false;
}

bool CodedStrips::Add(const MemoryStrip& strip) {
    if (strip.compression != compression_)
        return Fail("a strip came with compression " + std::to_string(strip.compression) + ", not the " +
                    std::to_string(compression_) + " agreed");
    if (strip.bytesWritten > strip.bytes.size()) return Fail("a strip claims more bytes than its buffer holds");
    if (bytes_.size() + strip.bytesWritten > kLargestCodedPage)
        return Fail("its compressed data passed " + std::to_string(kLargestCodedPage >> 20) + " MB");
    bytes_.insert(bytes_.end(), strip.bytes.begin(), strip.bytes.begin() + strip.bytesWritten);
    return true;
}

std::optional<imaging::CodedPage> KeptPage(const MemoryPageLayout& layout, std::uint16_t compression,
                                           std::span<const std::uint8_t> bytes, std::string& error) {
    const auto format = PixelFormatOf(layout.pixelType, layout.bitsPerPixel);
    if (!format || layout.width <= 0 || layout.length <= 0) {
        error = "the source described a compressed page of " + std::to_string(layout.width) + " by " +
                std::to_string(layout.length) + " pixels, pixel type " + std::to_string(layout.pixelType);
        return std::nullopt;
    }
    if (compression != twain::TWCP_GROUP4 && compression != twain::TWCP_JPEG) {
        error = "compression " + std::to_string(compression) + " cannot be kept";
        return std::nullopt;
    }
    const imaging::CodedPage page{static_cast<std::uint32_t>(layout.width), static_cast<std::uint32_t>(layout.length), *format,
                                  layout.xDpi, layout.yDpi,
                                  compression == twain::TWCP_GROUP4 ? imaging::PageCoding::Group4 : imaging::PageCoding::Jpeg, bytes};
    error = imaging::CheckCodedPage(page);
    if (!error.empty()) return std::nullopt;
    return page;
}

std::optional<imaging::CodedPage> CodedStrips::Finish(const MemoryPageLayout& layout) {
    return KeptPage(layout, compression_, bytes_, error_);
}

}  // namespace vantrel::engine
