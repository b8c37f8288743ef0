// Huffman codes against Tables K.3 to K.6, the bit writer's stuffing and padding, blocks coded by hand.
#include "imaging/jpeg/huffman_coder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vantrel::imaging::jpeg {
namespace {

std::string CodeWord(const HuffmanCodes& codes, int symbol) {
    std::string word;
    const int length = codes.length[static_cast<std::size_t>(symbol)];
    for (int bit = length - 1; bit >= 0; --bit) word += (codes.code[static_cast<std::size_t>(symbol)] >> bit & 1) ? '1' : '0';
    return word;
}

TEST(HuffmanCoder, DerivesTheCodeWordsOfTheStandardTables) {
    const struct { const char* source; const HuffmanTable* table; int symbol; const char* word; } cases[] = {
        {"K.3", &kLuminanceDc, 0, "00"},
        {"K.3", &kLuminanceDc, 1, "010"},
        {"K.3", &kLuminanceDc, 5, "110"},
        {"K.3", &kLuminanceDc, 6, "1110"},
        {"K.3", &kLuminanceDc, 11, "111111110"},
        {"K.4", &kChrominanceDc, 0, "00"},
        {"K.4", &kChrominanceDc, 2, "10"},
        {"K.4", &kChrominanceDc, 3, "110"},
        {"K.4", &kChrominanceDc, 11, "11111111110"},
        {"K.5", &kLuminanceAc, 0x00, "1010"},
        {"K.5", &kLuminanceAc, 0x01, "00"},
        {"K.5", &kLuminanceAc, 0x03, "100"},
        {"K.5", &kLuminanceAc, 0x11, "1100"},
        {"K.5", &kLuminanceAc, 0x41, "111011"},
        {"K.5", &kLuminanceAc, 0xF0, "11111111001"},
        {"K.5", &kLuminanceAc, 0x0A, "1111111110000011"},
        {"K.5", &kLuminanceAc, 0xFA, "1111111111111110"},
        {"K.6", &kChrominanceAc, 0x00, "00"},
        {"K.6", &kChrominanceAc, 0x01, "01"},
        {"K.6", &kChrominanceAc, 0x03, "1010"},
        {"K.6", &kChrominanceAc, 0x11, "1011"},
        {"K.6", &kChrominanceAc, 0xF0, "1111111010"},
        {"K.6", &kChrominanceAc, 0xFA, "1111111111111110"},
    };
    for (const auto& c : cases) EXPECT_EQ(CodeWord(MakeHuffmanCodes(*c.table), c.symbol), c.word) << c.source << " symbol " << c.symbol;
}

// A code of all 1-bits would collide with the padding before a marker.
TEST(HuffmanCoder, NoCodeIsAllOnes) {
    for (const HuffmanTable* table : {&kLuminanceDc, &kChrominanceDc, &kLuminanceAc, &kChrominanceAc}) {
        const HuffmanCodes codes = MakeHuffmanCodes(*table);
        for (const std::uint8_t symbol : table->symbols) {
            const int length = codes.length[symbol];
            ASSERT_GT(length, 0);
            EXPECT_NE(codes.code[symbol], (1u << length) - 1) << "symbol " << int{symbol};
        }
    }
}

TEST(HuffmanCoder, StuffsAZeroAfterEveryFfAndPadsWithOnes) {
    const struct { const char* name; std::vector<std::pair<std::uint32_t, int>> puts; std::vector<std::uint8_t> bytes; } cases[] = {
        {"one FF", {{0xFF, 8}}, {0xFF, 0x00}},
        {"FF across two puts", {{0xF, 4}, {0xF, 4}, {0x12, 8}}, {0xFF, 0x00, 0x12}},
        {"FF from the padding", {{0x1F, 5}}, {0xFF, 0x00}},
        {"three bits padded", {{0x5, 3}}, {0xBF}},
        {"27 bits at once", {{0x7FFFFFF, 27}}, {0xFF, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0xFF, 0x00}},
        {"nothing pending", {{0xA5, 8}}, {0xA5}},
    };
    for (const auto& c : cases) {
        std::vector<std::uint8_t> out;
        BitWriter writer(out);
        for (const auto& [bits, count] : c.puts) writer.Put(bits, count);
        writer.PadToByte();
        EXPECT_EQ(out, c.bytes) << c.name;
    }
}

// The bytes of a bit string, padded with 1-bits (none of these strings holds eight 1s in a byte).
std::vector<std::uint8_t> Bytes(const std::string& bits) {
    std::string padded = bits;
    while (padded.size() % 8 != 0) padded += '1';
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i < padded.size(); i += 8) bytes.push_back(static_cast<std::uint8_t>(std::stoi(padded.substr(i, 8), nullptr, 2)));
    return bytes;
}

std::string Repeat(const std::string& bits, int times) {
    std::string out;
    for (int i = 0; i < times; ++i) out += bits;
    return out;
}

CoefficientBlock Block(std::initializer_list<std::pair<int, int>> values) {
    CoefficientBlock b{};
    for (const auto& [k, v] : values) b[static_cast<std::size_t>(k)] = static_cast<std::int16_t>(v);
    return b;
}

// Bit strings worked out by hand from Tables F.1, F.2, K.3 and K.5.
TEST(HuffmanCoder, CodesBlocksAsDcDifferenceRunsAndEndOfBlock) {
    CoefficientBlock allOnes{};
    allOnes.fill(1);
    allOnes[0] = 0;
    const struct { const char* name; CoefficientBlock block; int previousDc; std::string bits; } cases[] = {
        {"DC only: category 3, bits, EOB", Block({{0, 5}}), 0, "100" "101" "1010"},
        {"DC difference 0, -3 at k=1 as 0/2 with bits 00", Block({{1, -3}}), 0, "00" "01" "00" "1010"},
        {"negative DC difference", Block({{0, -7}}), 0, "100" "000" "1010"},
        {"20 zeros: ZRL, then 4/1", Block({{0, 6}, {21, 1}}), 7, "010" "0" "11111111001" "111011" "1" "1010"},
        {"non-zero last coefficient: no EOB", allOnes, 0, "00" + Repeat("00" "1", 63)},
        {"32 zeros before k=33: two ZRLs", Block({{33, -1}}), 0, "00" "11111111001" "11111111001" "00" "0" "1010"},
    };
    const HuffmanCodes dc = MakeHuffmanCodes(kLuminanceDc);
    const HuffmanCodes ac = MakeHuffmanCodes(kLuminanceAc);
    for (const auto& c : cases) {
        std::vector<std::uint8_t> out;
        BitWriter writer(out);
        int previous = c.previousDc;
        EncodeBlock(c.block, previous, dc, ac, writer);
        writer.PadToByte();
        EXPECT_EQ(out, Bytes(c.bits)) << c.name;
        EXPECT_EQ(previous, c.block[0]) << c.name;
    }
}

}  // namespace
}  // namespace vantrel::imaging::jpeg
