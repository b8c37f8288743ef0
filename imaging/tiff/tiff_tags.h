// The TIFF tags and values this writer uses, by their numbers in TIFF 6.0 and its technical notes.
#pragma once

#include <cstdint>

namespace vantrel::imaging::tiff {

enum class FieldType : std::uint16_t { Ascii = 2, Short = 3, Long = 4, Rational = 5, Undefined = 7 };

inline constexpr std::uint16_t kNewSubfileType = 254;
inline constexpr std::uint16_t kImageWidth = 256;
inline constexpr std::uint16_t kImageLength = 257;
inline constexpr std::uint16_t kBitsPerSample = 258;
inline constexpr std::uint16_t kCompression = 259;
inline constexpr std::uint16_t kPhotometricInterpretation = 262;
inline constexpr std::uint16_t kDocumentName = 269;
inline constexpr std::uint16_t kImageDescription = 270;
inline constexpr std::uint16_t kStripOffsets = 273;
inline constexpr std::uint16_t kSamplesPerPixel = 277;
inline constexpr std::uint16_t kRowsPerStrip = 278;
inline constexpr std::uint16_t kStripByteCounts = 279;
inline constexpr std::uint16_t kXResolution = 282;
inline constexpr std::uint16_t kYResolution = 283;
inline constexpr std::uint16_t kPlanarConfiguration = 284;
inline constexpr std::uint16_t kResolutionUnit = 296;
inline constexpr std::uint16_t kPageNumber = 297;
inline constexpr std::uint16_t kSoftware = 305;
inline constexpr std::uint16_t kDateTime = 306;
inline constexpr std::uint16_t kArtist = 315;
inline constexpr std::uint16_t kPredictor = 317;
inline constexpr std::uint16_t kYCbCrSubSampling = 530;
inline constexpr std::uint16_t kReferenceBlackWhite = 532;
inline constexpr std::uint16_t kInterColorProfile = 34675;  // an ICC profile, whole, as UNDEFINED bytes

inline constexpr std::uint32_t kSubfilePage = 2;  // NewSubfileType bit 1: one page of a multi-page document

inline constexpr std::uint16_t kCompressionNone = 1;
inline constexpr std::uint16_t kCompressionGroup4 = 4;
inline constexpr std::uint16_t kCompressionJpeg = 7;
inline constexpr std::uint16_t kCompressionAdobeDeflate = 8;

inline constexpr std::uint16_t kWhiteIsZero = 0;
inline constexpr std::uint16_t kBlackIsZero = 1;
inline constexpr std::uint16_t kRgb = 2;
inline constexpr std::uint16_t kYCbCr = 6;

inline constexpr std::uint16_t kChunky = 1;
inline constexpr std::uint16_t kUnitNone = 1;
inline constexpr std::uint16_t kUnitInch = 2;
inline constexpr std::uint16_t kPredictorHorizontal = 2;

}  // namespace vantrel::imaging::tiff
