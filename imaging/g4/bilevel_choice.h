// Which lossless coding a 1-bit page keeps. Group 4 codes text and line art in a few percent of the raw bits,
// but halftone (ordered dither, as scanners draw grey areas in black-and-white mode) comes out near twice the
// raw bits, where Flate takes a small fraction of them. Both are lossless and allowed in PDF/A.
#pragma once

#include <cstdint>

namespace vantrel::imaging {

// Flate is tried only when Group 4 came out above a tenth of the raw bits, so a text page costs one coding.
inline bool WorthTryingFlate(std::uint64_t group4Bytes, std::uint64_t rawBytes) { return group4Bytes * 10 > rawBytes; }

// The smaller is kept; Group 4 on a tie, since every fax-minded reader takes it.
inline bool FlateIsSmaller(std::uint64_t flateBytes, std::uint64_t group4Bytes) { return flateBytes < group4Bytes; }

}  // namespace vantrel::imaging
