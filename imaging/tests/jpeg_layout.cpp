// A marker walker strict enough for files we wrote: no fill bytes, no restart markers, one scan.
#include "imaging/tests/jpeg_layout.h"

namespace vantrel::imaging::jpeg {
namespace {

constexpr std::uint8_t kSoi = 0xD8;
constexpr std::uint8_t kEoi = 0xD9;
constexpr std::uint8_t kSos = 0xDA;

std::optional<JpegLayout> Refuse(std::string* error, std::string reason) {
    if (error) *error = std::move(reason);
    return std::nullopt;
}

}  // namespace

std::uint16_t ReadU16(std::span<const std::uint8_t> bytes, std::size_t at) {
    return static_cast<std::uint16_t>(bytes[at] << 8 | bytes[at + 1]);
}

std::optional<JpegLayout> ParseJpeg(std::span<const std::uint8_t> file, std::string* error) {
    if (file.size() < 4 || file[0] != 0xFF || file[1] != kSoi) return Refuse(error, "no SOI at the start");
    JpegLayout layout;
    layout.segments.push_back({kSoi, {}});
    std::size_t at = 2;
    bool scanned = false;
    while (true) {
        if (at + 2 > file.size()) return Refuse(error, "ends without EOI");
        if (file[at] != 0xFF) return Refuse(error, "no marker at offset " + std::to_string(at));
        const std::uint8_t marker = file[at + 1];
        at += 2;
        if (marker == kEoi) {
            if (at != file.size()) return Refuse(error, "bytes after EOI");
            if (!scanned) return Refuse(error, "EOI without a scan");
            layout.segments.push_back({kEoi, {}});
            return layout;
        }
        if (at + 2 > file.size()) return Refuse(error, "segment length past the end");
        const std::size_t length = ReadU16(file, at);
        if (length < 2 || at + length > file.size()) return Refuse(error, "segment runs past the end");
        layout.segments.push_back({marker, file.subspan(at + 2, length - 2)});
        at += length;
        if (marker != kSos) continue;
        if (scanned) return Refuse(error, "a second scan");
        scanned = true;
        const std::size_t dataStart = at;
        while (true) {
            if (at >= file.size()) return Refuse(error, "scan data runs to the end");
            if (file[at] != 0xFF) {
                ++at;
                continue;
            }
            if (at + 1 >= file.size()) return Refuse(error, "0xFF as the last byte");
            if (file[at + 1] == 0x00) {
                ++layout.stuffedBytes;
                at += 2;
                continue;
            }
            if (file[at + 1] != kEoi) return Refuse(error, "marker inside the scan at offset " + std::to_string(at));
            layout.entropyData = file.subspan(dataStart, at - dataStart);
            break;
        }
    }
}

}  // namespace vantrel::imaging::jpeg
