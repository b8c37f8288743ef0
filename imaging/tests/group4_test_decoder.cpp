// The test decoder: code strings looked up as the bits arrive, rows rebuilt pixel by pixel.
#include "imaging/tests/group4_test_decoder.h"

#include <algorithm>
#include <string>

namespace vantrel::imaging::testing {
namespace {

const char* const kWhiteCodes[] = {
    "00110101", "000111",   "0111",     "1000",     "1011",     "1100",     "1110",     "1111",
    "10011",    "10100",    "00111",    "01000",    "001000",   "000011",   "110100",   "110101",
    "101010",   "101011",   "0100111",  "0001100",  "0001000",  "0010111",  "0000011",  "0000100",
    "0101000",  "0101011",  "0010011",  "0100100",  "0011000",  "00000010", "00000011", "00011010",
    "00011011", "00010010", "00010011", "00010100", "00010101", "00010110", "00010111", "00101000",
    "00101001", "00101010", "00101011", "00101100", "00101101", "00000100", "00000101", "00001010",
    "00001011", "01010010", "01010011", "01010100", "01010101", "00100100", "00100101", "01011000",
    "01011001", "01011010", "01011011", "01001010", "01001011", "00110010", "00110011", "00110100",
    // make-up, 64 to 1728
    "11011", "10010", "010111", "0110111", "00110110", "00110111", "01100100", "01100101", "01101000",
    "01100111", "011001100", "011001101", "011010010", "011010011", "011010100", "011010101", "011010110",
    "011010111", "011011000", "011011001", "011011010", "011011011", "010011000", "010011001", "010011010",
    "011000", "010011011",
};

const char* const kBlackCodes[] = {
    "0000110111",   "010",          "11",           "10",           "011",          "0011",
    "0010",         "00011",        "000101",       "000100",       "0000100",      "0000101",
    "0000111",      "00000100",     "00000111",     "000011000",    "0000010111",   "0000011000",
    "0000001000",   "00001100111",  "00001101000",  "00001101100",  "00000110111",  "00000101000",
    "00000010111",  "00000011000",  "000011001010", "000011001011", "000011001100", "000011001101",
    "000001101000", "000001101001", "000001101010", "000001101011", "000011010010", "000011010011",
    "000011010100", "000011010101", "000011010110", "000011010111", "000001101100", "000001101101",
    "000011011010", "000011011011", "000001010100", "000001010101", "000001010110", "000001010111",
    "000001100100", "000001100101", "000001010010", "000001010011", "000000100100", "000000110111",
    "000000111000", "000000100111", "000000101000", "000001011000", "000001011001", "000000101011",
    "000000101100", "000001011010", "000001100110", "000001100111",
    // make-up, 64 to 1728
    "0000001111", "000011001000", "000011001001", "000001011011", "000000110011", "000000110100",
    "000000110101", "0000001101100", "0000001101101", "0000001001010", "0000001001011", "0000001001100",
    "0000001001101", "0000001110010", "0000001110011", "0000001110100", "0000001110101", "0000001110110",
    "0000001110111", "0000001010010", "0000001010011", "0000001010100", "0000001010101", "0000001011010",
    "0000001011011", "0000001100100", "0000001100101",
};

// Make-up codes for 1792 to 2560, for both colours.
const char* const kSharedCodes[] = {
    "00000001000",  "00000001100",  "00000001101",  "000000010010", "000000010011", "000000010100", "000000010101",
    "000000010110", "000000010111", "000000011100", "000000011101", "000000011110", "000000011111",
};

// A code table indexed by length and bits together, so "0111" and "111" differ; -1 where no code is.
class CodeTable {
public:
    static constexpr std::uint32_t kLongest = 13;

    void Add(const std::string& code, std::int32_t value) {
        std::uint32_t bits = 0;
        for (const char c : code) bits = bits << 1 | (c == '1' ? 1u : 0u);
        values_[Index(static_cast<std::uint32_t>(code.size()), bits)] = value;
    }
    std::int32_t Find(std::uint32_t length, std::uint32_t bits) const { return values_[Index(length, bits)]; }

private:
    static std::size_t Index(std::uint32_t length, std::uint32_t bits) { return std::size_t{length} << kLongest | bits; }
    std::vector<std::int32_t> values_ = std::vector<std::int32_t>(std::size_t{kLongest + 1} << kLongest, -1);
};

CodeTable MakeRunTable(const char* const* codes, std::size_t count) {
    CodeTable table;
    for (std::size_t i = 0; i < count; ++i) table.Add(codes[i], i < 64 ? static_cast<std::int32_t>(i) : static_cast<std::int32_t>(i - 63) * 64);
    for (std::size_t i = 0; i < std::size(kSharedCodes); ++i) table.Add(kSharedCodes[i], static_cast<std::int32_t>(1792 + 64 * i));
    return table;
}

const CodeTable& Runs(bool black) {
    static const CodeTable white = MakeRunTable(kWhiteCodes, std::size(kWhiteCodes));
    static const CodeTable blackTable = MakeRunTable(kBlackCodes, std::size(kBlackCodes));
    return black ? blackTable : white;
}

// Mode codes as values: 0 pass, 1 horizontal, 2 end of line, 10 + delta for vertical.
constexpr std::int32_t kPass = 0, kHorizontal = 1, kEndOfLine = 2, kVertical = 10;

const CodeTable& Modes() {
    static const CodeTable modes = [] {
        CodeTable table;
        table.Add("0001", kPass);
        table.Add("001", kHorizontal);
        table.Add("000000000001", kEndOfLine);
        const char* const vertical[] = {"0000010", "000010", "010", "1", "011", "000011", "0000011"};
        for (int delta = -3; delta <= 3; ++delta) table.Add(vertical[delta + 3], kVertical + delta);
        return table;
    }();
    return modes;
}

class BitReader {
public:
    explicit BitReader(std::span<const std::uint8_t> data) : data_(data) {}

    std::optional<std::uint32_t> Next() {
        if (position_ >= data_.size() * 8) return std::nullopt;
        const std::uint8_t byte = data_[position_ / 8];
        const std::uint32_t bit = (byte >> (7 - position_ % 8)) & 1u;
        ++position_;
        return bit;
    }

    // True when the bits left are only the zero padding of the last byte.
    bool OnlyPaddingLeft() const {
        if (data_.size() * 8 - position_ >= 8) return false;
        for (std::size_t p = position_; p < data_.size() * 8; ++p) {
            if ((data_[p / 8] >> (7 - p % 8)) & 1) return false;
        }
        return true;
    }

private:
    std::span<const std::uint8_t> data_;
    std::size_t position_ = 0;
};

// Reads bits until they spell a code of `table` (prefix-free codes: the first match is the code).
std::optional<std::int32_t> ReadCode(BitReader& bits, const CodeTable& table) {
    std::uint32_t code = 0;
    for (std::uint32_t length = 1; length <= CodeTable::kLongest; ++length) {
        const auto bit = bits.Next();
        if (!bit) return std::nullopt;
        code = code << 1 | *bit;
        const std::int32_t value = table.Find(length, code);
        if (value >= 0) return value;
    }
    return std::nullopt;
}

// Make-up codes until a terminating code (a value below 64).
std::optional<std::uint64_t> ReadRun(BitReader& bits, bool black) {
    std::uint64_t run = 0;
    for (;;) {
        const auto part = ReadCode(bits, Runs(black));
        if (!part) return std::nullopt;
        run += static_cast<std::uint64_t>(*part);
        if (*part < 64) return run;
    }
}

struct Change {
    std::int64_t position;
    bool toBlack;
};

std::vector<Change> ChangesOf(const std::vector<std::uint8_t>& pixels) {
    std::vector<Change> changes;
    bool previous = false;
    for (std::size_t x = 0; x < pixels.size(); ++x) {
        const bool black = pixels[x] != 0;
        if (black != previous) changes.push_back({static_cast<std::int64_t>(x), black});
        previous = black;
    }
    return changes;
}

// b1 (the first change above right of a0 to the colour opposite a0's) and b2 (the change after b1), or the width.
std::pair<std::int64_t, std::int64_t> FindB1B2(const std::vector<Change>& reference, std::int64_t a0, bool black,
                                               std::int64_t width) {
    auto it = std::upper_bound(reference.begin(), reference.end(), a0,
                               [](std::int64_t value, const Change& c) { return value < c.position; });
    if (it != reference.end() && it->toBlack == black) ++it;
    if (it == reference.end()) return {width, width};
    const std::int64_t b1 = it->position;
    ++it;
    return {b1, it == reference.end() ? width : it->position};
}

bool DecodeRow(BitReader& bits, const std::vector<Change>& reference, std::vector<std::uint8_t>& pixels) {
    const auto width = static_cast<std::int64_t>(pixels.size());
    std::fill(pixels.begin(), pixels.end(), std::uint8_t{0});
    const auto fill = [&pixels](std::int64_t from, std::int64_t to, bool black) {
        for (std::int64_t x = std::max<std::int64_t>(from, 0); x < to; ++x) pixels[static_cast<std::size_t>(x)] = black ? 1 : 0;
    };
    std::int64_t a0 = -1;
    bool black = false;
    while (a0 < width) {
        const auto mode = ReadCode(bits, Modes());
        if (!mode || *mode == kEndOfLine) return false;
        const auto [b1, b2] = FindB1B2(reference, a0, black, width);
        if (*mode == kPass) {
            if (b2 >= width) return false;
            fill(a0, b2, black);
            a0 = b2;
            continue;
        }
        if (*mode >= kVertical - 3) {
            const std::int64_t a1 = b1 + (*mode - kVertical);
            if (a1 <= a0 || a1 < 0 || a1 > width) return false;
            fill(a0, a1, black);
            a0 = a1;
            black = !black;
            continue;
        }
        const auto first = ReadRun(bits, black);
        if (!first) return false;
        const auto second = ReadRun(bits, !black);
        if (!second) return false;
        const std::int64_t start = std::max<std::int64_t>(a0, 0);
        const std::int64_t a1 = start + static_cast<std::int64_t>(*first);
        const std::int64_t a2 = a1 + static_cast<std::int64_t>(*second);
        if (a2 > width || (*first == 0 && a0 >= 0) || (*second == 0 && a1 != width)) return false;
        fill(start, a1, black);
        fill(a1, a2, !black);
        a0 = a2;
    }
    return true;
}

}  // namespace

std::optional<std::vector<std::uint8_t>> DecodeGroup4(std::span<const std::uint8_t> data, std::uint32_t width,
                                                      std::uint32_t height) {
    const std::size_t rowBytes = (std::size_t{width} + 7) / 8;
    std::vector<std::uint8_t> rows(rowBytes * height, 0);
    BitReader bits(data);
    std::vector<std::uint8_t> pixels(width);
    std::vector<Change> reference;
    for (std::uint32_t y = 0; y < height; ++y) {
        if (!DecodeRow(bits, reference, pixels)) return std::nullopt;
        for (std::uint32_t x = 0; x < width; ++x) {
            if (pixels[x]) rows[rowBytes * y + x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
        }
        reference = ChangesOf(pixels);
    }
    for (int i = 0; i < 2; ++i) {
        const auto mode = ReadCode(bits, Modes());
        if (!mode || *mode != kEndOfLine) return std::nullopt;
    }
    if (!bits.OnlyPaddingLeft()) return std::nullopt;
    return rows;
}

}  // namespace vantrel::imaging::testing
