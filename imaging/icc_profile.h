// Whether a page's colour profile may go into a file: its header whole and its colour space the page's. A profile
// that fails is left out (the page is stored as it would be without one), so a file never carries a profile a
// colour-managed reader would refuse or apply to the wrong colours.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "imaging/page_image.h"

namespace vantrel::imaging {

// Larger profiles are not scanners' (theirs are a few KB to a few hundred); refusing them bounds what a page holds.
inline constexpr std::size_t kLargestProfileBytes = 4u << 20;
inline constexpr std::size_t kProfileHeaderBytes = 128;

enum class ProfileSpace : std::uint8_t { Unusable, Gray, Rgb };

constexpr std::uint32_t ProfileWord(std::span<const std::uint8_t> bytes, std::size_t at) {
    return std::uint32_t{bytes[at]} << 24 | std::uint32_t{bytes[at + 1]} << 16 | std::uint32_t{bytes[at + 2]} << 8 |
           bytes[at + 3];
}

// The data colour space a profile describes; Unusable when its size field is not its length, its signature is not
// 'acsp', it is larger than kLargestProfileBytes, or it describes neither grey nor RGB.
constexpr ProfileSpace ProfileSpaceOf(std::span<const std::uint8_t> profile) {
    if (profile.size() < kProfileHeaderBytes || profile.size() > kLargestProfileBytes) return ProfileSpace::Unusable;
    if (ProfileWord(profile, 0) != profile.size() || ProfileWord(profile, 36) != 0x61637370) return ProfileSpace::Unusable;
    switch (ProfileWord(profile, 16)) {
        case 0x47524159: return ProfileSpace::Gray;  // 'GRAY'
        case 0x52474220: return ProfileSpace::Rgb;   // 'RGB '
        default: return ProfileSpace::Unusable;
    }
}

// The profile a file embeds for pixels of `format`: the given one when it describes them, else none. 1-bit pages
// carry none: ink on paper needs no colour management, and bilevel codings have no place for one everywhere.
constexpr std::span<const std::uint8_t> EmbeddableProfile(std::span<const std::uint8_t> profile, PixelFormat format) {
    const ProfileSpace space = ProfileSpaceOf(profile);
    const bool fits = (format == PixelFormat::Rgb24 && space == ProfileSpace::Rgb) ||
                      (format == PixelFormat::Gray8 && space == ProfileSpace::Gray);
    return fits ? profile : std::span<const std::uint8_t>();
}

}  // namespace vantrel::imaging
