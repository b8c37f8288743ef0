// The code tables of the facsimile coding standard T.4, as its tables list them, and the run coding built on them.
#include "imaging/g4/run_length_codes.h"

#include <array>

namespace vantrel::imaging {
namespace {

constexpr std::array<FaxCode, 64> kWhiteTerminating = {{
    {0b00110101, 8}, {0b000111, 6},   {0b0111, 4},     {0b1000, 4},     {0b1011, 4},     {0b1100, 4},
    {0b1110, 4},     {0b1111, 4},     {0b10011, 5},    {0b10100, 5},    {0b00111, 5},    {0b01000, 5},
    {0b001000, 6},   {0b000011, 6},   {0b110100, 6},   {0b110101, 6},   {0b101010, 6},   {0b101011, 6},
    {0b0100111, 7},  {0b0001100, 7},  {0b0001000, 7},  {0b0010111, 7},  {0b0000011, 7},  {0b0000100, 7},
    {0b0101000, 7},  {0b0101011, 7},  {0b0010011, 7},  {0b0100100, 7},  {0b0011000, 7},  {0b00000010, 8},
    {0b00000011, 8}, {0b00011010, 8}, {0b00011011, 8}, {0b00010010, 8}, {0b00010011, 8}, {0b00010100, 8},
    {0b00010101, 8}, {0b00010110, 8}, {0b00010111, 8}, {0b00101000, 8}, {0b00101001, 8}, {0b00101010, 8},
    {0b00101011, 8}, {0b00101100, 8}, {0b00101101, 8}, {0b00000100, 8}, {0b00000101, 8}, {0b00001010, 8},
    {0b00001011, 8}, {0b01010010, 8}, {0b01010011, 8}, {0b01010100, 8}, {0b01010101, 8}, {0b00100100, 8},
    {0b00100101, 8}, {0b01011000, 8}, {0b01011001, 8}, {0b01011010, 8}, {0b01011011, 8}, {0b01001010, 8},
    {0b01001011, 8}, {0b00110010, 8}, {0b00110011, 8}, {0b00110100, 8},
}};

constexpr std::array<FaxCode, 64> kBlackTerminating = {{
    {0b0000110111, 10},   {0b010, 3},           {0b11, 2},            {0b10, 2},
    {0b011, 3},           {0b0011, 4},          {0b0010, 4},          {0b00011, 5},
    {0b000101, 6},        {0b000100, 6},        {0b0000100, 7},       {0b0000101, 7},
    {0b0000111, 7},       {0b00000100, 8},      {0b00000111, 8},      {0b000011000, 9},
    {0b0000010111, 10},   {0b0000011000, 10},   {0b0000001000, 10},   {0b00001100111, 11},
    {0b00001101000, 11},  {0b00001101100, 11},  {0b00000110111, 11},  {0b00000101000, 11},
    {0b00000010111, 11},  {0b00000011000, 11},  {0b000011001010, 12}, {0b000011001011, 12},
    {0b000011001100, 12}, {0b000011001101, 12}, {0b000001101000, 12}, {0b000001101001, 12},
    {0b000001101010, 12}, {0b000001101011, 12}, {0b000011010010, 12}, {0b000011010011, 12},
    {0b000011010100, 12}, {0b000011010101, 12}, {0b000011010110, 12}, {0b000011010111, 12},
    {0b000001101100, 12}, {0b000001101101, 12}, {0b000011011010, 12}, {0b000011011011, 12},
    {0b000001010100, 12}, {0b000001010101, 12}, {0b000001010110, 12}, {0b000001010111, 12},
    {0b000001100100, 12}, {0b000001100101, 12}, {0b000001010010, 12}, {0b000001010011, 12},
    {0b000000100100, 12}, {0b000000110111, 12}, {0b000000111000, 12}, {0b000000100111, 12},
    {0b000000101000, 12}, {0b000001011000, 12}, {0b000001011001, 12}, {0b000000101011, 12},
    {0b000000101100, 12}, {0b000001011010, 12}, {0b000001100110, 12}, {0b000001100111, 12},
}};

// Make-up codes for 64, 128, ..., 1728 pels.
constexpr std::array<FaxCode, 27> kWhiteMakeUp = {{
    {0b11011, 5},     {0b10010, 5},     {0b010111, 6},    {0b0110111, 7},   {0b00110110, 8},  {0b00110111, 8},
    {0b01100100, 8},  {0b01100101, 8},  {0b01101000, 8},  {0b01100111, 8},  {0b011001100, 9}, {0b011001101, 9},
    {0b011010010, 9}, {0b011010011, 9}, {0b011010100, 9}, {0b011010101, 9}, {0b011010110, 9}, {0b011010111, 9},
    {0b011011000, 9}, {0b011011001, 9}, {0b011011010, 9}, {0b011011011, 9}, {0b010011000, 9}, {0b010011001, 9},
    {0b010011010, 9}, {0b011000, 6},    {0b010011011, 9},
}};

constexpr std::array<FaxCode, 27> kBlackMakeUp = {{
    {0b0000001111, 10},    {0b000011001000, 12},  {0b000011001001, 12},  {0b000001011011, 12},
    {0b000000110011, 12},  {0b000000110100, 12},  {0b000000110101, 12},  {0b0000001101100, 13},
    {0b0000001101101, 13}, {0b0000001001010, 13}, {0b0000001001011, 13}, {0b0000001001100, 13},
    {0b0000001001101, 13}, {0b0000001110010, 13}, {0b0000001110011, 13}, {0b0000001110100, 13},
    {0b0000001110101, 13}, {0b0000001110110, 13}, {0b0000001110111, 13}, {0b0000001010010, 13},
    {0b0000001010011, 13}, {0b0000001010100, 13}, {0b0000001010101, 13}, {0b0000001011010, 13},
    {0b0000001011011, 13}, {0b0000001100100, 13}, {0b0000001100101, 13},
}};

// Make-up codes for 1792, 1856, ..., 2560 pels, the same for both colours.
constexpr std::array<FaxCode, 13> kSharedMakeUp = {{
    {0b00000001000, 11},  {0b00000001100, 11},  {0b00000001101, 11},  {0b000000010010, 12}, {0b000000010011, 12},
    {0b000000010100, 12}, {0b000000010101, 12}, {0b000000010110, 12}, {0b000000010111, 12}, {0b000000011100, 12},
    {0b000000011101, 12}, {0b000000011110, 12}, {0b000000011111, 12},
}};

constexpr std::array<FaxCode, 7> kVertical = {{
    {0b0000010, 7}, {0b000010, 6}, {0b010, 3}, {0b1, 1}, {0b011, 3}, {0b000011, 6}, {0b0000011, 7},
}};

// The make-up code for a positive multiple of 64 up to 2560.
FaxCode MakeUpCode(bool black, std::uint32_t multipleOf64) {
    const std::uint32_t index = multipleOf64 / 64 - 1;
    if (index >= kWhiteMakeUp.size()) return kSharedMakeUp[index - kWhiteMakeUp.size()];
    return black ? kBlackMakeUp[index] : kWhiteMakeUp[index];
}

// Every code of one colour by (1 << length) | bits, so a decoder can look up its bits as they come.
using RunTable = std::array<std::int16_t, 1u << 14>;

RunTable MakeRunTable(bool black) {
    RunTable table;
    table.fill(-1);
    const auto enter = [&table](FaxCode code, int run) { table[(1u << code.length) | code.bits] = static_cast<std::int16_t>(run); };
    const auto& terminating = black ? kBlackTerminating : kWhiteTerminating;
    for (std::size_t run = 0; run < terminating.size(); ++run) enter(terminating[run], static_cast<int>(run));
    for (std::uint32_t run = 64; run <= 2560; run += 64) enter(MakeUpCode(black, run), static_cast<int>(run));
    return table;
}

}  // namespace

int RunOfCode(bool black, FaxCode code) {
    static const RunTable white = MakeRunTable(false);
    static const RunTable blackRuns = MakeRunTable(true);
    if (code.length < 1 || code.length > 13) return -1;
    return (black ? blackRuns : white)[(1u << code.length) | code.bits];
}

FaxCode VerticalCode(int delta) { return kVertical[static_cast<std::size_t>(delta + 3)]; }

void PutRun(FaxBitWriter& out, bool black, std::uint32_t run) {
    constexpr std::uint32_t kLongest = 2560;
    while (run >= kLongest) {
        out.Put(MakeUpCode(black, kLongest));
        run -= kLongest;
    }
    if (run >= 64) out.Put(MakeUpCode(black, run & ~63u));
    const auto& terminating = black ? kBlackTerminating : kWhiteTerminating;
    out.Put(terminating[run & 63u]);
}

}  // namespace vantrel::imaging
