// The row-by-row baseline encoder: rows into planes one MCU row at a time, then DCT, quantisation, Huffman coding.
#include "imaging/jpeg/jpeg_encoder.h"

#include <algorithm>
#include <array>

#include "imaging/icc_profile.h"
#include "imaging/jpeg/forward_dct.h"
#include "imaging/jpeg/huffman_coder.h"
#include "imaging/jpeg/jpeg_headers.h"
#include "imaging/jpeg/jpeg_tables.h"

namespace vantrel::imaging {
namespace {

using namespace jpeg;

constexpr std::uint32_t kLargestDimension = 65535;  // the frame header's 16-bit fields

constexpr std::array<FrameComponent, 1> kGreyComponents = {{{1, 1, 1, 0}}};
// Y covers 2x2 blocks per MCU, Cb and Cr one each: 4:2:0.
constexpr std::array<FrameComponent, 3> kColourComponents = {{{1, 2, 2, 0}, {2, 1, 1, 1}, {3, 1, 1, 1}}};

bool KnownFormat(PixelFormat format) {
    return format == PixelFormat::BlackWhite1 || format == PixelFormat::Gray8 || format == PixelFormat::Rgb24;
}

// JFIF's YCbCr from R, G, B in 16-bit fixed point. Each row of coefficients sums to 65536 (Y) or
// 0 (Cb, Cr), so neutral greys map to Y = grey and Cb = Cr = 128 exactly.
std::uint8_t Luma(int r, int g, int b) { return static_cast<std::uint8_t>((19595 * r + 38470 * g + 7471 * b + 32768) >> 16); }
std::uint8_t BlueDifference(int r, int g, int b) {
    return static_cast<std::uint8_t>((-11059 * r - 21709 * g + 32768 * b + (128 << 16) + 32767) >> 16);
}
std::uint8_t RedDifference(int r, int g, int b) {
    return static_cast<std::uint8_t>((32768 * r - 27439 * g - 5329 * b + (128 << 16) + 32767) >> 16);
}

// An 8x8 block of a plane, level-shifted.
void LoadBlock(const std::uint8_t* at, std::size_t stride, SampleBlock& block) {
    for (std::size_t y = 0; y < 8; ++y, at += stride)
        for (std::size_t x = 0; x < 8; ++x) block[y * 8 + x] = static_cast<float>(at[x]) - 128.0f;
}

// An 8x8 block of 2x2 averages of a 16x16 area of a full-resolution plane, level-shifted.
void LoadHalvedBlock(const std::uint8_t* at, std::size_t stride, SampleBlock& block) {
    for (std::size_t y = 0; y < 8; ++y, at += 2 * stride) {
        const std::uint8_t* below = at + stride;
        for (std::size_t x = 0; x < 8; ++x) {
            const int sum = at[2 * x] + at[2 * x + 1] + below[2 * x] + below[2 * x + 1];
            block[y * 8 + x] = static_cast<float>(sum) * 0.25f - 128.0f;
        }
    }
}

class RowEncoder final : public JpegRowWriter {
public:
    RowEncoder(const JpegFrame& frame, int quality, ByteSink& sink)
        : frame_(frame),
          sink_(sink),
          colour_(frame.format == PixelFormat::Rgb24),
          mcuSize_(colour_ ? 16 : 8),
          planeWidth_((frame.width + mcuSize_ - 1) / mcuSize_ * mcuSize_),
          planes_(std::size_t{planeWidth_} * mcuSize_ * (colour_ ? 3 : 1)) {
        const QuantTable luminance = ScaleQuantTable(kLuminanceQuant, quality);
        const QuantTable chrominance = ScaleQuantTable(kChrominanceQuant, quality);
        multipliers_ = {MakeQuantMultipliers(luminance), MakeQuantMultipliers(chrominance)};
        dcCodes_ = {MakeHuffmanCodes(kLuminanceDc), MakeHuffmanCodes(kChrominanceDc)};
        acCodes_ = {MakeHuffmanCodes(kLuminanceAc), MakeHuffmanCodes(kChrominanceAc)};
        const std::array<QuantTable, 2> tables = {luminance, chrominance};
        const std::span<const FrameComponent> components = colour_ ? std::span<const FrameComponent>(kColourComponents)
                                                                  : std::span<const FrameComponent>(kGreyComponents);
        AppendHeaders(out_, {.width = static_cast<std::uint16_t>(frame.width),
                             .height = static_cast<std::uint16_t>(frame.height),
                             .density = DensityFromDpi(frame.xDpi, frame.yDpi),
                             .components = components,
                             .quantTables = std::span(tables).first(colour_ ? 2 : 1),
                             .iccProfile = frame.iccProfile});
        failed_ = !Flush();
    }

    bool Started() const { return !failed_; }

    bool WriteRow(std::span<const std::uint8_t> row) override {
        if (failed_ || finished_ || rowsWritten_ == frame_.height || row.size() < MinimumStride(frame_.format, frame_.width))
            return Fail();
        TakeRow(row.data(), rowInMcu_);
        ++rowsWritten_;
        if (++rowInMcu_ < mcuSize_) return true;
        EncodeMcuRow();
        return Flush() || Fail();
    }

    bool Finish() override {
        if (failed_ || finished_ || rowsWritten_ != frame_.height) return Fail();
        finished_ = true;
        if (rowInMcu_ > 0) {
            // The last MCU row is completed by repeating the image's last row, which keeps the
            // blocks below the image smooth and so cheap to code.
            for (std::uint32_t y = rowInMcu_; y < mcuSize_; ++y) RepeatRow(rowInMcu_ - 1, y);
            EncodeMcuRow();
        }
        bits_.PadToByte();
        out_.push_back(0xFF);
        out_.push_back(kEndOfImage);
        return Flush() || Fail();
    }

private:
    bool Fail() {
        failed_ = true;
        return false;
    }

    bool Flush() {
        const bool stored = sink_.Append(out_);
        out_.clear();
        return stored;
    }

    std::uint8_t* PlaneRow(int plane, std::uint32_t y) {
        return planes_.data() + (std::size_t{mcuSize_} * static_cast<std::size_t>(plane) + y) * planeWidth_;
    }

    // Converts one row into the planes; the columns past the image repeat its last pixel.
    void TakeRow(const std::uint8_t* pixels, std::uint32_t y) {
        const std::uint32_t width = frame_.width;
        if (frame_.format == PixelFormat::Rgb24) {
            std::uint8_t* lum = PlaneRow(0, y);
            std::uint8_t* cb = PlaneRow(1, y);
            std::uint8_t* cr = PlaneRow(2, y);
            for (std::uint32_t x = 0; x < width; ++x, pixels += 3) {
                const int r = pixels[0], g = pixels[1], b = pixels[2];
                lum[x] = Luma(r, g, b);
                cb[x] = BlueDifference(r, g, b);
                cr[x] = RedDifference(r, g, b);
            }
            for (int plane = 0; plane < 3; ++plane) PadRight(PlaneRow(plane, y));
            return;
        }
        std::uint8_t* grey = PlaneRow(0, y);
        if (frame_.format == PixelFormat::Gray8) {
            std::copy(pixels, pixels + width, grey);
        } else {
            for (std::uint32_t x = 0; x < width; ++x) grey[x] = (pixels[x / 8] >> (7 - x % 8) & 1) != 0 ? 0 : 255;
        }
        PadRight(grey);
    }

    void PadRight(std::uint8_t* row) const { std::fill(row + frame_.width, row + planeWidth_, row[frame_.width - 1]); }

    void RepeatRow(std::uint32_t from, std::uint32_t to) {
        for (int plane = 0; plane < (colour_ ? 3 : 1); ++plane) std::copy_n(PlaneRow(plane, from), planeWidth_, PlaneRow(plane, to));
    }

    void EncodeSamples(int component, int table) {
        ForwardDct(samples_);
        Quantize(samples_, multipliers_[static_cast<std::size_t>(table)], coefficients_);
        EncodeBlock(coefficients_, previousDc_[static_cast<std::size_t>(component)], dcCodes_[static_cast<std::size_t>(table)],
                    acCodes_[static_cast<std::size_t>(table)], bits_);
    }

    // Blocks in scan order: left to right, within a colour MCU the four Y blocks row by row, then Cb, then Cr.
    void EncodeMcuRow() {
        rowInMcu_ = 0;
        if (!colour_) {
            for (std::uint32_t x = 0; x < planeWidth_; x += 8) {
                LoadBlock(PlaneRow(0, 0) + x, planeWidth_, samples_);
                EncodeSamples(0, 0);
            }
            return;
        }
        for (std::uint32_t x = 0; x < planeWidth_; x += 16) {
            for (const auto& [dx, dy] : {std::pair{0u, 0u}, {8u, 0u}, {0u, 8u}, {8u, 8u}}) {
                LoadBlock(PlaneRow(0, dy) + x + dx, planeWidth_, samples_);
                EncodeSamples(0, 0);
            }
            for (int plane = 1; plane < 3; ++plane) {
                LoadHalvedBlock(PlaneRow(plane, 0) + x, planeWidth_, samples_);
                EncodeSamples(plane, 1);
            }
        }
    }

    const JpegFrame frame_;
    ByteSink& sink_;
    const bool colour_;
    const std::uint32_t mcuSize_;     // rows and columns of one MCU: 8 for grey, 16 for 4:2:0 colour
    const std::uint32_t planeWidth_;  // the width rounded up to whole MCUs
    std::vector<std::uint8_t> planes_;  // one MCU row of each component at full resolution
    std::array<QuantMultipliers, 2> multipliers_{};
    std::array<HuffmanCodes, 2> dcCodes_{};
    std::array<HuffmanCodes, 2> acCodes_{};
    std::array<int, 3> previousDc_{};
    SampleBlock samples_{};
    CoefficientBlock coefficients_{};
    std::vector<std::uint8_t> out_;  // bytes not yet given to the sink
    BitWriter bits_{out_};
    std::uint32_t rowsWritten_ = 0;
    std::uint32_t rowInMcu_ = 0;
    bool failed_ = false;
    bool finished_ = false;
};

// IsWellFormed's stride * (height - 1) can wrap for absurd strides; this bound cannot, and keeps
// every row's offset within the pixels.
bool RowsFitWithoutWrapping(const PageImage& page) {
    if (page.height == 1) return true;
    const std::uint64_t rowBytes = MinimumStride(page.format, page.width);
    return page.pixels.size() >= rowBytes && page.stride <= (page.pixels.size() - rowBytes) / (page.height - 1);
}

}  // namespace

std::unique_ptr<JpegRowWriter> StartJpeg(const JpegFrame& frame, int quality, ByteSink& sink) {
    if (frame.width == 0 || frame.height == 0 || frame.width > kLargestDimension || frame.height > kLargestDimension)
        return nullptr;
    if (!KnownFormat(frame.format)) return nullptr;
    auto encoder = std::make_unique<RowEncoder>(frame, quality, sink);
    if (!encoder->Started()) return nullptr;
    return encoder;
}

bool WriteJpeg(const PageImage& page, int quality, ByteSink& sink) {
    if (!KnownFormat(page.format) || !IsWellFormed(page) || !RowsFitWithoutWrapping(page)) return false;
    const JpegFrame frame{page.width, page.height, page.format, page.xDpi, page.yDpi, EmbeddableProfile(page.iccProfile, page.format)};
    const auto writer = StartJpeg(frame, quality, sink);
    if (!writer) return false;
    for (std::uint32_t y = 0; y < page.height; ++y)
        if (!writer->WriteRow(page.Row(y))) return false;
    return writer->Finish();
}

std::vector<std::uint8_t> EncodeJpeg(const PageImage& page, int quality) {
    MemorySink sink;
    PageImage bare = page;
    bare.iccProfile = {};
    if (!WriteJpeg(bare, quality, sink)) return {};
    return sink.Data();
}

}  // namespace vantrel::imaging
