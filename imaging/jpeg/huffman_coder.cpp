// Canonical Huffman codes from a DHT's counts, and the sequential coding of one block (F.1.2).
#include "imaging/jpeg/huffman_coder.h"

#include <bit>
#include <cstdlib>

namespace vantrel::imaging::jpeg {
namespace {

// SSSS: how many bits the magnitude needs (Tables F.1, F.2).
int Category(int value) { return std::bit_width(static_cast<unsigned>(std::abs(value))); }

// The category's extra bits: the value itself when positive, value - 1 (its ones' complement) when negative.
std::uint32_t ExtraBits(int value, int category) {
    const int bits = value < 0 ? value - 1 : value;
    return static_cast<std::uint32_t>(bits) & ((1u << category) - 1);
}

constexpr std::uint8_t kEndOfBlock = 0x00;
constexpr std::uint8_t kSixteenZeros = 0xF0;

}  // namespace

HuffmanCodes MakeHuffmanCodes(const HuffmanTable& table) {
    HuffmanCodes codes;
    std::uint32_t code = 0;
    std::size_t next = 0;
    for (int length = 1; length <= 16; ++length) {
        for (int i = 0; i < table.counts[static_cast<std::size_t>(length - 1)] && next < table.symbols.size(); ++i) {
            const std::uint8_t symbol = table.symbols[next++];
            codes.code[symbol] = static_cast<std::uint16_t>(code++);
            codes.length[symbol] = static_cast<std::uint8_t>(length);
        }
        code <<= 1;
    }
    return codes;
}

void EncodeBlock(const CoefficientBlock& block, int& previousDc, const HuffmanCodes& dc, const HuffmanCodes& ac,
                 BitWriter& out) {
    const int difference = block[0] - previousDc;
    previousDc = block[0];
    const int dcCategory = Category(difference);
    out.Put(static_cast<std::uint32_t>(dc.code[static_cast<std::size_t>(dcCategory)]) << dcCategory |
                ExtraBits(difference, dcCategory),
            dc.length[static_cast<std::size_t>(dcCategory)] + dcCategory);

    int last = 63;
    while (last > 0 && block[static_cast<std::size_t>(last)] == 0) --last;
    int run = 0;
    for (int k = 1; k <= last; ++k) {
        const int value = block[static_cast<std::size_t>(k)];
        if (value == 0) {
            ++run;
            continue;
        }
        for (; run >= 16; run -= 16) out.Put(ac.code[kSixteenZeros], ac.length[kSixteenZeros]);
        const int category = Category(value);
        const auto symbol = static_cast<std::size_t>(run << 4 | category);
        out.Put(static_cast<std::uint32_t>(ac.code[symbol]) << category | ExtraBits(value, category),
                ac.length[symbol] + category);
        run = 0;
    }
    if (last < 63) out.Put(ac.code[kEndOfBlock], ac.length[kEndOfBlock]);
}

}  // namespace vantrel::imaging::jpeg
