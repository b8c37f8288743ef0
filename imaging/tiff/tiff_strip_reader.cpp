// The walk of a TIFF's first IFD to its one strip, every offset checked against the file.
#include "imaging/tiff/tiff_strip_reader.h"

namespace vantrel::imaging::tiff {
namespace {

class Reader {
public:
    Reader(std::span<const std::uint8_t> file, bool big) : file_(file), big_(big) {}
    // Nullopt when the bytes lie past the end.
    std::optional<std::uint32_t> Number(std::uint64_t at, unsigned size) const {
        if (at + size > file_.size()) return std::nullopt;
        std::uint32_t value = 0;
        for (unsigned i = 0; i < size; ++i) value |= std::uint32_t{file_[at + (big_ ? size - 1 - i : i)]} << (8 * i);
        return value;
    }

private:
    std::span<const std::uint8_t> file_;
    bool big_;
};

constexpr std::uint16_t kShort = 3, kLong = 4, kRational = 5;

}  // namespace

std::optional<TiffStrip> ReadSingleStripTiff(std::span<const std::uint8_t> file) {
    if (file.size() < 8 || file[0] != file[1] || (file[0] != 'I' && file[0] != 'M')) return std::nullopt;
    const Reader in(file, file[0] == 'M');
    if (in.Number(2, 2) != 42u) return std::nullopt;
    const auto ifd = in.Number(4, 4);
    const auto entries = ifd ? in.Number(*ifd, 2) : std::nullopt;
    if (!entries) return std::nullopt;
    TiffStrip strip;
    std::optional<std::uint32_t> offset, count, unit;
    std::uint32_t found = 0;
    double resolution[2] = {0, 0};
    for (std::uint32_t i = 0; i < *entries; ++i) {
        const std::uint64_t entry = std::uint64_t{*ifd} + 2 + 12 * i;
        const auto tag = in.Number(entry, 2), type = in.Number(entry + 2, 2), values = in.Number(entry + 4, 4);
        if (!tag || !type || !values) return std::nullopt;
        // A SHORT or LONG held in the entry itself; a RATIONAL where the entry points.
        const auto value = *type == kShort ? in.Number(entry + 8, 2) : in.Number(entry + 8, 4);
        if (*type == kRational && (*tag == 282 || *tag == 283)) {
            const auto at = in.Number(entry + 8, 4);
            const auto numerator = at ? in.Number(*at, 4) : std::nullopt;
            const auto denominator = at ? in.Number(*at + 4, 4) : std::nullopt;
            if (numerator && denominator && *denominator) resolution[*tag - 282] = double(*numerator) / *denominator;
            continue;
        }
        if ((*type != kShort && *type != kLong) || !value) continue;
        switch (*tag) {
            case 256: strip.width = *value; found |= 1; break;
            case 257: strip.height = *value; found |= 2; break;
            case 259: strip.compression = static_cast<std::uint16_t>(*value); break;
            case 262: strip.photometric = static_cast<std::uint16_t>(*value); break;
            case 273: if (*values != 1) return std::nullopt; offset = value; break;
            case 279: if (*values != 1) return std::nullopt; count = value; break;
            case 296: unit = value; break;
            default: break;
        }
    }
    if (found != 3 || !offset || !count || *offset > file.size() || *count > file.size() - *offset) return std::nullopt;
    strip.bytes = file.subspan(*offset, *count);
    // Inches unless it says centimetres; no unit (1) means no resolution.
    const double perInch = unit == 3u ? 2.54 : unit == 1u ? 0 : 1;
    strip.xDpi = resolution[0] * perInch;
    strip.yDpi = resolution[1] * perInch;
    return strip;
}

}  // namespace vantrel::imaging::tiff
