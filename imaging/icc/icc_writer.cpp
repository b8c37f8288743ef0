// ICC profile bytes: a 128-byte header, the tag table, then the tags in the order given.
#include "imaging/icc/icc_writer.h"

#include <cmath>

namespace vantrel::imaging::icc {
namespace {

void Put32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(value >> shift));
}

void Put16(std::vector<std::uint8_t>& out, std::uint16_t value) {
    out.push_back(static_cast<std::uint8_t>(value >> 8));
    out.push_back(static_cast<std::uint8_t>(value));
}

// Byte by byte: GCC 12 at -O3 takes an insert into a new vector for an overflow.
void PutSignature(std::vector<std::uint8_t>& out, const char* four) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(four[i]));
}

// s15Fixed16Number: rounded, so the D50 illuminant comes out as the 0xF6D6/0x10000/0xD32D everybody writes.
void PutFixed(std::vector<std::uint8_t>& out, double value) {
    Put32(out, static_cast<std::uint32_t>(static_cast<std::int32_t>(std::lround(value * 65536.0))));
}

void PutXyz(std::vector<std::uint8_t>& out, Xyz value) {
    PutFixed(out, value.x);
    PutFixed(out, value.y);
    PutFixed(out, value.z);
}

std::vector<std::uint8_t> TypeHeader(const char* type) {
    std::vector<std::uint8_t> out;
    PutSignature(out, type);
    Put32(out, 0);
    return out;
}

void PadTo4(std::vector<std::uint8_t>& out) {
    while (out.size() % 4 != 0) out.push_back(0);
}

constexpr Xyz kD50{0.9642, 1.0, 0.8249};

}  // namespace

std::vector<std::uint8_t> XyzTag(Xyz value) {
    auto out = TypeHeader("XYZ ");
    PutXyz(out, value);
    return out;
}

std::vector<std::uint8_t> CurveTag(const std::vector<std::uint16_t>& entries) {
    auto out = TypeHeader("curv");
    Put32(out, static_cast<std::uint32_t>(entries.size()));
    for (const auto entry : entries) Put16(out, entry);
    return out;
}

std::vector<std::uint8_t> TextTag(const std::string& ascii) {
    auto out = TypeHeader("text");
    out.insert(out.end(), ascii.begin(), ascii.end());
    out.push_back(0);
    return out;
}

// textDescriptionType: the ASCII text, then empty Unicode and ScriptCode parts (the latter a fixed 67 bytes).
std::vector<std::uint8_t> DescriptionTag(const std::string& ascii) {
    auto out = TypeHeader("desc");
    Put32(out, static_cast<std::uint32_t>(ascii.size() + 1));
    out.insert(out.end(), ascii.begin(), ascii.end());
    out.push_back(0);
    Put32(out, 0);  // Unicode language code
    Put32(out, 0);  // Unicode count
    Put16(out, 0);  // ScriptCode code
    out.push_back(0);  // ScriptCode count
    out.insert(out.end(), 67, 0);
    return out;
}

std::vector<std::uint8_t> DisplayProfile(const char (&space)[5], const std::vector<Tag>& tags) {
    constexpr std::size_t kHeaderSize = 128;
    const std::size_t table_size = 4 + 12 * tags.size();
    std::vector<std::uint8_t> body;
    std::vector<std::uint8_t> table;
    Put32(table, static_cast<std::uint32_t>(tags.size()));
    for (const auto& tag : tags) {
        PutSignature(table, tag.signature.data());
        Put32(table, static_cast<std::uint32_t>(kHeaderSize + table_size + body.size()));
        Put32(table, static_cast<std::uint32_t>(tag.data.size()));
        body.insert(body.end(), tag.data.begin(), tag.data.end());
        PadTo4(body);
    }

    std::vector<std::uint8_t> out;
    Put32(out, static_cast<std::uint32_t>(kHeaderSize + table_size + body.size()));
    Put32(out, 0);             // preferred CMM: none
    Put32(out, 0x02100000u);   // version 2.1: what PDF/A-1 (PDF 1.4) accepts
    PutSignature(out, "mntr");
    PutSignature(out, space);
    PutSignature(out, "XYZ ");
    for (const std::uint16_t field : {2026, 12, 9, 0, 0, 0}) Put16(out, field);  // fixed, so the bytes never change
    PutSignature(out, "acsp");
    out.resize(64, 0);         // platform, flags, manufacturer, model, attributes
    Put32(out, 0);             // rendering intent: perceptual
    PutXyz(out, kD50);         // the PCS illuminant
    out.resize(kHeaderSize, 0);  // creator, and the profile ID that version 2 leaves reserved (zero)
    out.insert(out.end(), table.begin(), table.end());
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

Tag MakeTag(const char (&signature)[5], std::vector<std::uint8_t> data) {
    return Tag{{signature[0], signature[1], signature[2], signature[3]}, std::move(data)};
}

}  // namespace vantrel::imaging::icc
