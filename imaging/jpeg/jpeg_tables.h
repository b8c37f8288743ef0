// The fixed tables of our baseline JPEG (zig-zag order, Annex K's quantisation and Huffman tables) and quality scaling.
#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace vantrel::imaging::jpeg {

// 64 entries in natural (row-major) order, as the DCT produces them.
using QuantTable = std::array<std::uint8_t, 64>;

// kZigzagToNatural[k] is the natural index of the k-th coefficient in the order the file stores them.
extern const std::array<std::uint8_t, 64> kZigzagToNatural;

extern const QuantTable kLuminanceQuant;    // Table K.1
extern const QuantTable kChrominanceQuant;  // Table K.2

// A Huffman table as a DHT segment carries it: how many codes of each length 1..16, then the
// symbols in code order.
struct HuffmanTable {
    std::array<std::uint8_t, 16> counts;
    std::span<const std::uint8_t> symbols;
};

extern const HuffmanTable kLuminanceDc;    // Table K.3
extern const HuffmanTable kChrominanceDc;  // Table K.4
extern const HuffmanTable kLuminanceAc;    // Table K.5
extern const HuffmanTable kChrominanceAc;  // Table K.6

constexpr int kLowestQuality = 1;
constexpr int kHighestQuality = 100;

int ClampQuality(int quality);

// The usual 1..100 quality scale: 50 keeps the base table, higher qualities shrink it linearly to
// all ones at 100, lower ones grow it as 50/quality. Entries stay within 1..255 so the table fits
// the 8-bit precision a baseline frame allows.
QuantTable ScaleQuantTable(const QuantTable& base, int quality);

}  // namespace vantrel::imaging::jpeg
