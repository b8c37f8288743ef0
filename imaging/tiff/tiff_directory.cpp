// Laying out an IFD: sorted 12-byte entries, then the values too long for an entry, word-aligned.
#include "imaging/tiff/tiff_directory.h"

#include <algorithm>

namespace vantrel::imaging::tiff {
namespace {

std::uint64_t Padded(std::uint64_t bytes) { return bytes + bytes % 2; }

template <std::size_t N>
void Append(std::vector<std::uint8_t>& bytes, const std::array<std::uint8_t, N>& value) {
    // Byte by byte: MinGW's GCC 12 misreads a range insert of a small array as an overflow (-Wstringop-overflow).
    for (const std::uint8_t byte : value) bytes.push_back(byte);
}

}  // namespace

void Directory::Add(Field field) {
    const auto at = std::lower_bound(fields_.begin(), fields_.end(), field.tag,
                                     [](const Field& f, std::uint16_t tag) { return f.tag < tag; });
    if (at != fields_.end() && at->tag == field.tag) {
        *at = std::move(field);
        return;
    }
    fields_.insert(at, std::move(field));
}

void Directory::AddShorts(std::uint16_t tag, std::span<const std::uint16_t> values) {
    Field field{tag, FieldType::Short, static_cast<std::uint32_t>(values.size()), {}};
    for (const std::uint16_t v : values) Append(field.value, Little16(v));
    Add(std::move(field));
}

void Directory::AddLongs(std::uint16_t tag, std::span<const std::uint32_t> values) {
    Field field{tag, FieldType::Long, static_cast<std::uint32_t>(values.size()), {}};
    field.value.reserve(values.size() * 4);
    for (const std::uint32_t v : values) Append(field.value, Little32(v));
    Add(std::move(field));
}

void Directory::AddRationals(std::uint16_t tag, std::span<const Rational> values) {
    Field field{tag, FieldType::Rational, static_cast<std::uint32_t>(values.size()), {}};
    for (const Rational& r : values) {
        Append(field.value, Little32(r.numerator));
        Append(field.value, Little32(r.denominator));
    }
    Add(std::move(field));
}

void Directory::AddAscii(std::uint16_t tag, std::string_view text) {
    Field field{tag, FieldType::Ascii, static_cast<std::uint32_t>(text.size() + 1), {text.begin(), text.end()}};
    field.value.push_back(0);
    Add(std::move(field));
}

void Directory::AddUndefined(std::uint16_t tag, std::span<const std::uint8_t> bytes) {
    Add(Field{tag, FieldType::Undefined, static_cast<std::uint32_t>(bytes.size()), {bytes.begin(), bytes.end()}});
}

std::uint64_t Directory::Size() const {
    std::uint64_t size = NextOffsetPosition() + 4;
    for (const Field& f : fields_) {
        if (f.value.size() > 4) size += Padded(f.value.size());
    }
    return size;
}

std::vector<std::uint8_t> Directory::Layout(std::uint32_t offset) const {
    std::vector<std::uint8_t> bytes;
    bytes.reserve(static_cast<std::size_t>(Size()));
    const auto put = [&bytes](const auto& value) { Append(bytes, value); };
    put(Little16(static_cast<std::uint16_t>(fields_.size())));
    std::uint64_t valueAt = std::uint64_t{offset} + NextOffsetPosition() + 4;
    for (const Field& f : fields_) {
        put(Little16(f.tag));
        put(Little16(static_cast<std::uint16_t>(f.type)));
        put(Little32(f.count));
        if (f.value.size() > 4) {
            put(Little32(static_cast<std::uint32_t>(valueAt)));
            valueAt += Padded(f.value.size());
            continue;
        }
        // A short value sits left-justified in the field, the rest zero.
        std::array<std::uint8_t, 4> inline_value{};
        std::copy(f.value.begin(), f.value.end(), inline_value.begin());
        put(inline_value);
    }
    put(Little32(0));
    for (const Field& f : fields_) {
        if (f.value.size() <= 4) continue;
        bytes.insert(bytes.end(), f.value.begin(), f.value.end());
        if (f.value.size() % 2 != 0) bytes.push_back(0);
    }
    return bytes;
}

std::optional<std::uint32_t> Directory::ValueFieldPosition(std::uint16_t tag) const {
    for (std::size_t i = 0; i < fields_.size(); ++i) {
        if (fields_[i].tag == tag) return static_cast<std::uint32_t>(2 + 12 * i + 8);
    }
    return std::nullopt;
}

}  // namespace vantrel::imaging::tiff
