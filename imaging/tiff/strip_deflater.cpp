// Strips through zlib, and the trial that decides whether differencing is worth it.
#include "imaging/tiff/strip_deflater.h"

#include <zlib.h>

#include <algorithm>

namespace vantrel::imaging::tiff {
namespace {

constexpr std::size_t kPieceBytes = 65536;

std::uint32_t SamplesPerPixel(const PageImage& page) { return page.format == PixelFormat::Rgb24 ? 3 : 1; }

// The size of `bytes` deflated at `level`, or SIZE_MAX when zlib fails.
std::size_t DeflatedSize(const std::vector<std::uint8_t>& bytes, int level) {
    uLongf size = compressBound(static_cast<uLong>(bytes.size()));
    std::vector<std::uint8_t> out(size);
    if (compress2(out.data(), &size, bytes.data(), static_cast<uLong>(bytes.size()), level) != Z_OK) return SIZE_MAX;
    return size;
}

}  // namespace

void DifferenceRow(std::span<const std::uint8_t> row, std::uint32_t samplesPerPixel, std::span<std::uint8_t> out) {
    const std::size_t lead = std::min<std::size_t>(samplesPerPixel, row.size());
    std::copy_n(row.begin(), lead, out.begin());
    for (std::size_t i = lead; i < row.size(); ++i) out[i] = static_cast<std::uint8_t>(row[i] - row[i - samplesPerPixel]);
}

bool PredictorHelps(const PageImage& page, int level) {
    if (level <= 0) return false;
    const std::size_t rowBytes = static_cast<std::size_t>(MinimumStride(page.format, page.width));
    const std::uint32_t rows = static_cast<std::uint32_t>(std::clamp<std::size_t>(kPieceBytes / rowBytes, 1, page.height));
    std::vector<std::uint8_t> plain;
    std::vector<std::uint8_t> differenced;
    plain.reserve(rowBytes * rows);
    differenced.resize(rowBytes * rows);
    for (std::uint32_t i = 0; i < rows; ++i) {
        const auto row = page.Row(static_cast<std::uint32_t>(std::uint64_t{i} * page.height / rows));
        plain.insert(plain.end(), row.begin(), row.end());
        DifferenceRow(row, SamplesPerPixel(page), std::span(differenced).subspan(rowBytes * i, rowBytes));
    }
    return DeflatedSize(differenced, level) < DeflatedSize(plain, level);
}

StripDeflater::StripDeflater(int level) : stream_(std::make_unique<z_stream>()), out_(kPieceBytes) {
    ready_ = level >= 0 && level <= 9 && deflateInit(stream_.get(), level) == Z_OK;
}

StripDeflater::~StripDeflater() {
    if (ready_) deflateEnd(stream_.get());
}

bool StripDeflater::Compress(const PageImage& page, std::uint32_t first, std::uint32_t count, bool predict,
                             const std::function<bool(std::span<const std::uint8_t>)>& emit) {
    if (!ready_ || deflateReset(stream_.get()) != Z_OK) return false;
    const std::size_t rowBytes = static_cast<std::size_t>(MinimumStride(page.format, page.width));
    if (predict) row_.resize(rowBytes);
    z_stream& z = *stream_;
    // zlib counts in 32-bit units, so a very wide row goes in as several pieces.
    const auto feed = [&](const std::uint8_t* bytes, std::size_t size, bool last) {
        do {
            const std::size_t piece = std::min<std::size_t>(size, kPieceBytes);
            z.next_in = const_cast<Bytef*>(bytes);
            z.avail_in = static_cast<uInt>(piece);
            bytes += piece;
            size -= piece;
            const int flush = last && size == 0 ? Z_FINISH : Z_NO_FLUSH;
            int result;
            do {
                z.next_out = out_.data();
                z.avail_out = static_cast<uInt>(out_.size());
                result = deflate(&z, flush);
                if (result == Z_STREAM_ERROR) return false;
                const std::size_t produced = out_.size() - z.avail_out;
                if (produced > 0 && !emit(std::span(out_).first(produced))) return false;
            } while (z.avail_out == 0 || (flush == Z_FINISH && result != Z_STREAM_END));
        } while (size > 0);
        return true;
    };
    for (std::uint32_t i = 0; i < count; ++i) {
        const auto row = page.Row(first + i);
        const std::uint8_t* bytes = row.data();
        if (predict) {
            DifferenceRow(row, SamplesPerPixel(page), row_);
            bytes = row_.data();
        }
        if (!feed(bytes, rowBytes, i + 1 == count)) return false;
    }
    return true;
}

}  // namespace vantrel::imaging::tiff
