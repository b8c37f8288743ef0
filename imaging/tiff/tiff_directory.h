// One image file directory (IFD), built field by field and laid out at its place in a little-endian TIFF.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "imaging/tiff/tiff_rational.h"
#include "imaging/tiff/tiff_tags.h"

namespace vantrel::imaging::tiff {

inline std::array<std::uint8_t, 2> Little16(std::uint16_t value) {
    return {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8)};
}

inline std::array<std::uint8_t, 4> Little32(std::uint32_t value) {
    return {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8), static_cast<std::uint8_t>(value >> 16),
            static_cast<std::uint8_t>(value >> 24)};
}

class Directory {
public:
    // Each replaces an earlier field of the same tag. Fields are kept in ascending tag order, as readers require.
    void AddShorts(std::uint16_t tag, std::span<const std::uint16_t> values);
    void AddShort(std::uint16_t tag, std::uint16_t value) { AddShorts(tag, std::span(&value, 1)); }
    void AddLongs(std::uint16_t tag, std::span<const std::uint32_t> values);
    void AddLong(std::uint16_t tag, std::uint32_t value) { AddLongs(tag, std::span(&value, 1)); }
    void AddRationals(std::uint16_t tag, std::span<const Rational> values);
    void AddRational(std::uint16_t tag, Rational value) { AddRationals(tag, std::span(&value, 1)); }
    void AddAscii(std::uint16_t tag, std::string_view text);  // the terminating NUL is added
    void AddUndefined(std::uint16_t tag, std::span<const std::uint8_t> bytes);

    // The bytes the laid-out directory takes, values included.
    std::uint64_t Size() const;

    // The directory as it sits at `offset` (even, with offset + Size() within 32 bits): the entry count, the
    // entries, a next-IFD offset of 0, then each value longer than 4 bytes, starting on a word boundary as the
    // format asks.
    std::vector<std::uint8_t> Layout(std::uint32_t offset) const;

    // Where, from the directory's start, `tag`'s 4-byte value field is (its value when that fits 4 bytes).
    std::optional<std::uint32_t> ValueFieldPosition(std::uint16_t tag) const;
    // Where the next-IFD offset is, from the directory's start.
    std::uint32_t NextOffsetPosition() const { return static_cast<std::uint32_t>(2 + 12 * fields_.size()); }

private:
    struct Field {
        std::uint16_t tag;
        FieldType type;
        std::uint32_t count;
        std::vector<std::uint8_t> value;  // little-endian, count elements of the type
    };
    void Add(Field field);

    std::vector<Field> fields_;
};

}  // namespace vantrel::imaging::tiff
