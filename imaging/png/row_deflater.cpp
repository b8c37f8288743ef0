// Streaming a page's (optionally PNG-filtered) rows through zlib's deflate.
#include "imaging/png/row_deflater.h"

#include <zlib.h>

#include <new>
#include <utility>
#include <vector>

#include "imaging/png/png_filter.h"
#include "imaging/png/sample_rows.h"

namespace vantrel::imaging {
namespace {

// Owns the deflate state so every exit releases zlib's memory.
class Deflater {
public:
    explicit Deflater(int level) { ready_ = deflateInit(&stream_, level) == Z_OK; }
    ~Deflater() {
        if (ready_) deflateEnd(&stream_);
    }
    Deflater(const Deflater&) = delete;
    Deflater& operator=(const Deflater&) = delete;

    bool Ready() const { return ready_; }

    // Feeds `input` (all of it) and emits every full piece; with `finish`, also the stream's end.
    bool Feed(std::span<const std::uint8_t> input, bool finish, std::vector<std::uint8_t>& piece,
              const std::function<bool(std::span<const std::uint8_t>)>& emit) {
        stream_.next_in = const_cast<Bytef*>(input.data());  // zlib's API is not const-correct; it only reads
        stream_.avail_in = static_cast<uInt>(input.size());
        for (;;) {
            if (stream_.avail_out == 0) {
                if (!emit(piece)) return false;
                stream_.next_out = piece.data();
                stream_.avail_out = static_cast<uInt>(piece.size());
            }
            const int result = deflate(&stream_, finish ? Z_FINISH : Z_NO_FLUSH);
            if (result == Z_STREAM_END) break;
            if (result != Z_OK && result != Z_BUF_ERROR) return false;
            if (!finish && stream_.avail_in == 0 && stream_.avail_out != 0) return true;
        }
        const std::size_t used = piece.size() - stream_.avail_out;
        return used == 0 || emit(std::span<const std::uint8_t>(piece.data(), used));
    }

    void StartOutput(std::vector<std::uint8_t>& piece) {
        stream_.next_out = piece.data();
        stream_.avail_out = static_cast<uInt>(piece.size());
    }

private:
    z_stream stream_{};
    bool ready_ = false;
};

bool DeflateAll(const PageImage& page, const RowDeflateOptions& options,
                const std::function<bool(std::span<const std::uint8_t>)>& emit) {
    const std::size_t rowBytes = static_cast<std::size_t>(MinimumStride(page.format, page.width));
    const std::uint32_t bpp = FilterBytesPerPixel(page.format);
    Deflater deflater(options.level);
    if (!deflater.Ready()) return false;
    std::vector<std::uint8_t> piece(options.pieceBytes);
    deflater.StartOutput(piece);
    const std::size_t filteredBytes = options.pngFilters ? rowBytes : 0;
    std::vector<std::uint8_t> previous(filteredBytes, 0);
    std::vector<std::uint8_t> current(rowBytes);
    std::vector<std::uint8_t> filtered(filteredBytes + 1);
    AdaptiveRowFilter filter(filteredBytes);
    for (std::uint32_t y = 0; y < page.height; ++y) {
        SampleRow(page, y, current);
        std::span<const std::uint8_t> input = current;
        if (options.pngFilters) {
            filter.Filter(previous, current, bpp, filtered);
            input = filtered;
            std::swap(previous, current);
        }
        if (!deflater.Feed(input, y + 1 == page.height, piece, emit)) return false;
    }
    return true;
}

}  // namespace

bool DeflateRows(const PageImage& page, const RowDeflateOptions& options,
                 const std::function<bool(std::span<const std::uint8_t>)>& emit) {
    if (!RowsAddressable(page)) return false;
    if (options.level < 0 || options.level > 9 || options.pieceBytes == 0) return false;
    // zlib counts its buffers in uInt; larger rows are fed as they are, so only the piece size is capped.
    if (options.pieceBytes > (std::size_t{1} << 30)) return false;
    if (MinimumStride(page.format, page.width) + 1 > std::size_t{0xFFFFFFFF}) return false;
    try {
        return DeflateAll(page, options, emit);
    } catch (const std::bad_alloc&) {
        return false;
    }
}

}  // namespace vantrel::imaging
