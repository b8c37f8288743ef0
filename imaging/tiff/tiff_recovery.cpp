// Walking a little-endian TIFF's directory chain while every page in it is whole.
#include "imaging/tiff/tiff_recovery.h"

#include <algorithm>

#include "imaging/tiff/tiff_tags.h"

namespace vantrel::imaging {
namespace {

constexpr std::uint64_t kEntryBytes = 12;

std::uint32_t Read16(std::span<const std::uint8_t> file, std::uint64_t at) {
    return file[at] | std::uint32_t{file[at + 1]} << 8;
}

std::uint32_t Read32(std::span<const std::uint8_t> file, std::uint64_t at) {
    return Read16(file, at) | Read16(file, at + 2) << 16;
}

std::uint64_t TypeBytes(std::uint32_t type) {
    switch (type) {
        case 1: case 2: case 6: case 7: return 1;  // BYTE, ASCII, SBYTE, UNDEFINED
        case 3: case 8: return 2;                  // SHORT, SSHORT
        case 4: case 9: case 11: return 4;         // LONG, SLONG, FLOAT
        case 5: case 10: case 12: return 8;        // RATIONAL, SRATIONAL, DOUBLE
        default: return 0;
    }
}

struct Field {
    std::uint32_t type = 0;
    std::uint64_t count = 0;
    std::uint64_t values = 0;  // where the values are: in the entry or where it points
};

// The end of the page whose directory is at `ifd` (its entries, values and strips), or 0 when any lies outside.
std::uint64_t PageEnd(std::span<const std::uint8_t> file, std::uint64_t ifd, std::optional<std::uint64_t>& total) {
    const std::uint64_t entries = Read16(file, ifd);
    const std::uint64_t next = ifd + 2 + entries * kEntryBytes;
    if (next + 4 > file.size()) return 0;
    std::uint64_t end = next + 4;
    Field offsets, counts;
    for (std::uint64_t i = 0; i < entries; ++i) {
        const std::uint64_t entry = ifd + 2 + i * kEntryBytes;
        const std::uint32_t tag = Read16(file, entry);
        Field field{Read16(file, entry + 2), Read32(file, entry + 4), entry + 8};
        const std::uint64_t bytes = field.count * TypeBytes(field.type);
        if (bytes > 4) field.values = Read32(file, entry + 8);
        if (field.values + bytes > file.size()) return 0;
        end = std::max(end, field.values + bytes);
        if (tag == tiff::kStripOffsets) offsets = field;
        if (tag == tiff::kStripByteCounts) counts = field;
        if (tag == tiff::kPageNumber && field.type == 3 && field.count == 2) total = entry + 10;
    }
    const auto value = [&file](const Field& f, std::uint64_t i) {
        return f.type == 3 ? Read16(file, f.values + 2 * i) : Read32(file, f.values + 4 * i);
    };
    const auto integral = [](const Field& f) { return f.type == 3 || f.type == 4; };
    if (offsets.count == 0 || offsets.count != counts.count || !integral(offsets) || !integral(counts)) return 0;
    for (std::uint64_t i = 0; i < offsets.count; ++i) {
        const std::uint64_t strip = value(offsets, i), size = value(counts, i);
        if (strip + size > file.size()) return 0;
        end = std::max(end, strip + size);
    }
    return end;
}

}  // namespace

std::optional<CompleteTiff> FindCompleteTiff(std::span<const std::uint8_t> file) {
    if (file.size() < 8 || file[0] != 'I' || file[1] != 'I' || Read16(file, 2) != 42) return std::nullopt;
    CompleteTiff complete;
    std::uint64_t link = 4;
    for (std::uint64_t ifd = Read32(file, link), previous = 0; ifd != 0; ifd = Read32(file, link)) {
        // Our directories follow each other up the file, which also ends any loop.
        if (ifd <= previous || ifd % 2 != 0 || ifd + 2 > file.size()) break;
        std::optional<std::uint64_t> total;
        const std::uint64_t end = PageEnd(file, ifd, total);
        if (end == 0) break;
        complete.length = std::max(complete.length, end);
        complete.lastLink = ifd + 2 + Read16(file, ifd) * kEntryBytes;
        if (total) complete.totalPositions.push_back(*total);
        ++complete.pages;
        previous = ifd;
        link = complete.lastLink;
    }
    if (complete.pages == 0) return std::nullopt;
    return complete;
}

bool WriteRecoveredTiff(std::span<const std::uint8_t> file, const CompleteTiff& complete, ByteSink& sink) {
    const std::uint8_t none[4] = {0, 0, 0, 0};
    const auto pages = static_cast<std::uint16_t>(std::min<std::uint32_t>(complete.pages, 0xFFFF));
    const std::uint8_t total[2] = {static_cast<std::uint8_t>(pages), static_cast<std::uint8_t>(pages >> 8)};
    if (!sink.Append(file.first(static_cast<std::size_t>(complete.length))) || !sink.Patch(complete.lastLink, none))
        return false;
    return std::all_of(complete.totalPositions.begin(), complete.totalPositions.end(),
                       [&](std::uint64_t at) { return sink.Patch(at, total); });
}

}  // namespace vantrel::imaging
