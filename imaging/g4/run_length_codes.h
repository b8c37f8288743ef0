// The modified Huffman codes for white and black runs, and the two-dimensional mode codes.
#pragma once

#include <cstdint>

#include "imaging/g4/fax_code.h"

namespace vantrel::imaging {

inline constexpr FaxCode kPassCode{0b0001, 4};
inline constexpr FaxCode kHorizontalCode{0b001, 3};
inline constexpr FaxCode kEndOfLineCode{0b000000000001, 12};

// The vertical mode code for a1 - b1 in -3..3 (VL3..V0..VR3).
FaxCode VerticalCode(int delta);

// Writes a run as make-up codes (2560 as often as needed, then at most one smaller one) and the terminating code
// for what remains, since a terminating code ends every run, even one of length 0.
void PutRun(FaxBitWriter& out, bool black, std::uint32_t run);

// The run a make-up or terminating code of that colour stands for, or -1 when the bits are no such code.
int RunOfCode(bool black, FaxCode code);

}  // namespace vantrel::imaging
