// The encoder's 8x8 forward DCT (Arai-Agui-Nakajima, in float) and the quantisation after it.
#pragma once

#include <array>
#include <cstdint>

#include "imaging/jpeg/jpeg_tables.h"

namespace vantrel::imaging::jpeg {

using SampleBlock = std::array<float, 64>;         // level-shifted samples (value - 128), natural order
using CoefficientBlock = std::array<std::int16_t, 64>;  // quantised coefficients in zig-zag order

// Transforms in place. The factorisation leaves each output scaled: block[n] becomes
// F(u, v) * DctOutputScale(n), where F is the DCT as the JPEG standard defines it (A.3.3).
// The quantiser divides that factor out, so the transform itself saves its multiplications.
void ForwardDct(SampleBlock& block);

float DctOutputScale(int naturalIndex);

// Multipliers that quantise ForwardDct's scaled output with a table in one multiplication each.
using QuantMultipliers = std::array<float, 64>;
QuantMultipliers MakeQuantMultipliers(const QuantTable& table);

// Rounds to the nearest quantised value and reorders to zig-zag. Values are held to what a
// baseline Huffman table can code (AC within +-1023, DC within -1024..1023 so any difference
// of two fits category 11), whatever rounding did.
void Quantize(const SampleBlock& transformed, const QuantMultipliers& multipliers, CoefficientBlock& out);

}  // namespace vantrel::imaging::jpeg
