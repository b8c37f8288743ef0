// Huffman coding of quantised blocks: code tables, the stuffing bit writer, one block's DC and AC runs.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "imaging/jpeg/forward_dct.h"
#include "imaging/jpeg/jpeg_tables.h"

namespace vantrel::imaging::jpeg {

// Code and length for every symbol; length 0 marks a symbol the table does not have.
struct HuffmanCodes {
    std::array<std::uint16_t, 256> code{};
    std::array<std::uint8_t, 256> length{};
};

// The codes the counts and symbols of a DHT segment define (canonical assignment, Annex C).
HuffmanCodes MakeHuffmanCodes(const HuffmanTable& table);

// Appends entropy-coded bits most significant first. A 0xFF byte is followed by a stuffed 0x00
// so that no decoder takes coded data for a marker.
class BitWriter {
public:
    explicit BitWriter(std::vector<std::uint8_t>& out) : out_(out) {}

    // `count` <= 32 bits, the value's low bits.
    void Put(std::uint32_t bits, int count) {
        pending_ = pending_ << count | bits;
        pendingCount_ += count;
        while (pendingCount_ >= 8) {
            pendingCount_ -= 8;
            const auto byte = static_cast<std::uint8_t>(pending_ >> pendingCount_);
            out_.push_back(byte);
            if (byte == 0xFF) out_.push_back(0x00);
        }
    }

    // Completes the last byte with 1-bits, as the scan's end requires (F.1.2.3).
    void PadToByte() {
        if (pendingCount_ > 0) Put((1u << (8 - pendingCount_)) - 1, 8 - pendingCount_);
    }

private:
    std::vector<std::uint8_t>& out_;
    std::uint64_t pending_ = 0;
    int pendingCount_ = 0;
};

// Codes one block: its DC as the difference from the previous block of the same component
// (updated here), then the AC coefficients as runs of zeros and categories, ZRL for 16 zeros
// and EOB after the last non-zero one.
void EncodeBlock(const CoefficientBlock& block, int& previousDc, const HuffmanCodes& dc, const HuffmanCodes& ac,
                 BitWriter& out);

}  // namespace vantrel::imaging::jpeg
