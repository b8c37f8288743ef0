// A strict little TIFF reader for the tests: header, IFD chain, fields and strips, checking the layout rules
// (ascending tags, word-aligned directories and values, everything inside the file) on the way.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace vantrel::imaging::testing {

struct TiffField {
    std::uint16_t type = 0;
    std::uint32_t count = 0;
    std::vector<std::uint32_t> numbers;  // SHORT and LONG values; RATIONALs as numerator, denominator pairs
    std::string text;                    // ASCII, with its NULs
};

struct TiffPage {
    std::uint32_t offset = 0;
    std::vector<std::uint16_t> tagOrder;
    std::map<std::uint16_t, TiffField> fields;

    std::uint32_t Number(std::uint16_t tag, std::size_t index = 0) const {
        const auto found = fields.find(tag);
        return found == fields.end() || found->second.numbers.size() <= index ? 0xDEADBEEF : found->second.numbers[index];
    }
    bool Has(std::uint16_t tag) const { return fields.count(tag) != 0; }
};

inline std::uint32_t ReadLittle(const std::vector<std::uint8_t>& file, std::size_t at, int bytes) {
    std::uint32_t value = 0;
    for (int i = bytes - 1; i >= 0; --i) value = value << 8 | file[at + static_cast<std::size_t>(i)];
    return value;
}

// Every page of a little-endian classic TIFF, or nullopt (with `why`) when a rule is broken.
inline std::optional<std::vector<TiffPage>> ReadTiff(const std::vector<std::uint8_t>& file, std::string* why = nullptr) {
    const auto fail = [why](const std::string& reason) {
        if (why) *why = reason;
        return std::nullopt;
    };
    if (file.size() < 8 || file[0] != 'I' || file[1] != 'I' || ReadLittle(file, 2, 2) != 42) return fail("header");
    std::vector<TiffPage> pages;
    std::set<std::uint32_t> seen;
    for (std::uint32_t at = ReadLittle(file, 4, 4); at != 0;) {
        if (at % 2 != 0 || at + 2ull > file.size() || !seen.insert(at).second) return fail("IFD offset " + std::to_string(at));
        TiffPage page;
        page.offset = at;
        const std::uint32_t count = ReadLittle(file, at, 2);
        if (at + 2ull + 12ull * count + 4 > file.size()) return fail("IFD past the end");
        for (std::uint32_t i = 0; i < count; ++i) {
            const std::size_t entry = at + 2 + 12 * std::size_t{i};
            const auto tag = static_cast<std::uint16_t>(ReadLittle(file, entry, 2));
            if (!page.tagOrder.empty() && tag <= page.tagOrder.back()) return fail("tags out of order");
            page.tagOrder.push_back(tag);
            TiffField field;
            field.type = static_cast<std::uint16_t>(ReadLittle(file, entry + 2, 2));
            field.count = ReadLittle(file, entry + 4, 4);
            const int size = field.type == 3 ? 2 : field.type == 4 ? 4 : field.type == 5 ? 8 : 1;
            const std::uint64_t bytes = std::uint64_t{field.count} * static_cast<std::uint64_t>(size);
            std::size_t value = entry + 8;
            if (bytes > 4) {
                value = ReadLittle(file, entry + 8, 4);
                if (value % 2 != 0 || value + bytes > file.size()) return fail("value offset of tag " + std::to_string(tag));
            }
            for (std::uint32_t k = 0; k < field.count; ++k) {
                const std::size_t item = value + std::size_t{k} * static_cast<std::size_t>(size);
                if (field.type == 2) field.text += static_cast<char>(file[item]);
                if (field.type == 3 || field.type == 4) field.numbers.push_back(ReadLittle(file, item, size));
                if (field.type == 5) {
                    field.numbers.push_back(ReadLittle(file, item, 4));
                    field.numbers.push_back(ReadLittle(file, item + 4, 4));
                }
            }
            page.fields[tag] = field;
        }
        at = ReadLittle(file, at + 2 + 12 * std::size_t{count}, 4);
        pages.push_back(std::move(page));
    }
    return pages;
}

// The bytes of strip `index` of a page, or empty when they lie outside the file.
inline std::vector<std::uint8_t> StripBytes(const std::vector<std::uint8_t>& file, const TiffPage& page, std::size_t index) {
    const std::uint64_t offset = page.Number(273, index);
    const std::uint64_t count = page.Number(279, index);
    if (offset + count > file.size()) return {};
    return {file.begin() + static_cast<std::ptrdiff_t>(offset), file.begin() + static_cast<std::ptrdiff_t>(offset + count)};
}

}  // namespace vantrel::imaging::testing
