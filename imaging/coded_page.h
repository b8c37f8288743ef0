// A page a scanner has already coded (JPEG, or Group 4 for 1-bit pages), kept as its bytes so that a file that can
// hold them stores them as they came: no second loss for JPEG, no second coding.
#pragma once

#include <cstdint>
#include <span>

#include "imaging/page_image.h"

namespace vantrel::imaging {

enum class PageCoding : std::uint8_t {
    Jpeg,    // a complete baseline JPEG interchange stream (grey: one component, colour: three)
    Group4,  // CCITT T.6 data of a 1-bit page, 1 = black as in PixelFormat::BlackWhite1
};

// The page as it decodes; the bytes stay the caller's and are valid only during the call that receives them.
struct CodedPage {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    PixelFormat format = PixelFormat::Rgb24;  // what the bytes decode to
    double xDpi = 0;  // 0 when the source gave none
    double yDpi = 0;
    PageCoding coding = PageCoding::Jpeg;
    std::span<const std::uint8_t> bytes;
    std::span<const std::uint8_t> iccProfile = {};  // as PageImage's, valid as long as the bytes
};

}  // namespace vantrel::imaging
