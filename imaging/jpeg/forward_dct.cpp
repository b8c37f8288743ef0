// Float AAN forward DCT: a 1-D 8-point transform with five multiplications, run over rows then columns.
#include "imaging/jpeg/forward_dct.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace vantrel::imaging::jpeg {
namespace {

// cos(k * pi / 16) constants of the factorisation.
constexpr float kC4 = 0.707106781f;         // cos(4pi/16)
constexpr float kC6 = 0.382683433f;         // cos(6pi/16)
constexpr float kC2MinusC6 = 0.541196100f;  // cos(2pi/16) - cos(6pi/16)
constexpr float kC2PlusC6 = 1.306562965f;   // cos(2pi/16) + cos(6pi/16)

// Eight values `step` apart, in place; each output is its DCT term times sqrt(8) * aan(k).
void Transform8(float* d, int step) {
    const float s07 = d[0] + d[7 * step], d07 = d[0] - d[7 * step];
    const float s16 = d[step] + d[6 * step], d16 = d[step] - d[6 * step];
    const float s25 = d[2 * step] + d[5 * step], d25 = d[2 * step] - d[5 * step];
    const float s34 = d[3 * step] + d[4 * step], d34 = d[3 * step] - d[4 * step];

    const float even0 = s07 + s34, even3 = s07 - s34;
    const float even1 = s16 + s25, even2 = s16 - s25;
    d[0] = even0 + even1;
    d[4 * step] = even0 - even1;
    const float rotated = (even2 + even3) * kC4;
    d[2 * step] = even3 + rotated;
    d[6 * step] = even3 - rotated;

    const float odd0 = d34 + d25;
    const float odd1 = d25 + d16;
    const float odd2 = d16 + d07;
    const float z5 = (odd0 - odd2) * kC6;
    const float z2 = kC2MinusC6 * odd0 + z5;
    const float z4 = kC2PlusC6 * odd2 + z5;
    const float z3 = odd1 * kC4;
    const float z11 = d07 + z3;
    const float z13 = d07 - z3;
    d[5 * step] = z13 + z2;
    d[3 * step] = z13 - z2;
    d[step] = z11 + z4;
    d[7 * step] = z11 - z4;
}

// aan(0) = 1, aan(k) = sqrt(2) cos(k pi / 16): the per-term factor the factorisation leaves behind.
double AanFactor(int k) { return k == 0 ? 1.0 : std::numbers::sqrt2 * std::cos(k * std::numbers::pi / 16); }

}  // namespace

void ForwardDct(SampleBlock& block) {
    for (int row = 0; row < 8; ++row) Transform8(&block[static_cast<std::size_t>(row * 8)], 1);
    for (int column = 0; column < 8; ++column) Transform8(&block[static_cast<std::size_t>(column)], 8);
}

float DctOutputScale(int naturalIndex) {
    return static_cast<float>(8.0 * AanFactor(naturalIndex / 8) * AanFactor(naturalIndex % 8));
}

QuantMultipliers MakeQuantMultipliers(const QuantTable& table) {
    QuantMultipliers multipliers{};
    for (int n = 0; n < 64; ++n) {
        const auto i = static_cast<std::size_t>(n);
        multipliers[i] = static_cast<float>(1.0 / (table[i] * (8.0 * AanFactor(n / 8) * AanFactor(n % 8))));
    }
    return multipliers;
}

void Quantize(const SampleBlock& transformed, const QuantMultipliers& multipliers, CoefficientBlock& out) {
    const long dc = std::lrint(transformed[0] * multipliers[0]);
    out[0] = static_cast<std::int16_t>(std::clamp(dc, -1024L, 1023L));
    for (std::size_t k = 1; k < 64; ++k) {
        const std::size_t n = kZigzagToNatural[k];
        const long ac = std::lrint(transformed[n] * multipliers[n]);
        out[k] = static_cast<std::int16_t>(std::clamp(ac, -1023L, 1023L));
    }
}

}  // namespace vantrel::imaging::jpeg
