// Baseline JPEG (JFIF) encoding of scanned pages, for .jpg files, PDF's DCTDecode and TIFF's compression 7.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "imaging/byte_sink.h"
#include "imaging/page_image.h"

namespace vantrel::imaging {

// Our own encoder, because the platform's under Wine ignores the quality setting and refuses 1-bit
// pages. Grey pages become one component; colour pages Y, Cb, Cr with the chroma halved both ways
// (4:2:0). 1-bit pages are encoded as grey, ink 0 and paper 255: baseline JPEG has no bilevel
// mode. Quality is the usual 1..100 scale (clamped) over the JPEG standard's example tables.
constexpr int kDefaultJpegQuality = 85;

// What the file says about the image; the rows come separately.
struct JpegFrame {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    PixelFormat format = PixelFormat::Rgb24;
    double xDpi = 0;  // written as whole dots per inch; 0 (unknown) gives an aspect ratio of 1:1
    double yDpi = 0;
    std::span<const std::uint8_t> iccProfile = {};  // embedded as APP2 segments when not empty; the caller's, used by StartJpeg only
};

// Encodes rows as they arrive, sending each completed band of 8 or 16 rows to the sink, so a
// page never needs to be held whole. After any call returns false, every later call does too.
class JpegRowWriter {
public:
    virtual ~JpegRowWriter() = default;
    // One top-down row: its first MinimumStride(format, width) bytes are taken, the rest ignored.
    // False for a shorter row, a row past the frame's height, or a sink that refused.
    virtual bool WriteRow(std::span<const std::uint8_t> row) = 0;
    // Ends the file. False unless every row was written and the sink took all the bytes.
    virtual bool Finish() = 0;
};

// Writes the headers and returns the writer for the rows, which keeps a reference to `sink`.
// Null when the frame cannot be a baseline JPEG (a dimension of 0 or above 65535, an unknown
// format) or the sink refused the headers.
std::unique_ptr<JpegRowWriter> StartJpeg(const JpegFrame& frame, int quality, ByteSink& sink);

// The whole page to the sink, with its profile when EmbeddableProfile keeps it. False, leaving the sink's content undefined, for a page that is
// not well-formed or cannot be a baseline JPEG, or a sink that refused.
bool WriteJpeg(const PageImage& page, int quality, ByteSink& sink);

// The whole page as a stream in memory, without a profile (PDF and TIFF carry the page's in their own way); empty
// where WriteJpeg fails.
std::vector<std::uint8_t> EncodeJpeg(const PageImage& page, int quality = kDefaultJpegQuality);

}  // namespace vantrel::imaging
