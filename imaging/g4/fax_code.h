// One code word of the facsimile codes and the writer that packs code words into bytes, first bit foremost.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

namespace vantrel::imaging {

struct FaxCode {
    std::uint16_t bits;   // the code word in the low `length` bits, the first bit sent foremost
    std::uint8_t length;  // 1..13
};

class FaxBitWriter {
public:
    void Reserve(std::size_t bytes) { bytes_.reserve(bytes); }

    void Put(FaxCode code) {
        pending_ = (pending_ << code.length) | code.bits;
        count_ += code.length;
        while (count_ >= 8) {
            count_ -= 8;
            bytes_.push_back(static_cast<std::uint8_t>(pending_ >> count_));
        }
    }

    // The bytes written, the last one filled up with zero bits (which a decoder never reads as a code).
    std::vector<std::uint8_t> TakeBytes() {
        if (count_ > 0) bytes_.push_back(static_cast<std::uint8_t>(pending_ << (8 - count_)));
        count_ = 0;
        return std::move(bytes_);
    }

private:
    std::uint32_t pending_ = 0;  // only the low count_ bits are still to be written
    std::uint32_t count_ = 0;
    std::vector<std::uint8_t> bytes_;
};

}  // namespace vantrel::imaging
