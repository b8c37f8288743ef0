// Item bounds and the FIX32 conversions (the item types' codes and sizes show in the codec's layouts).
#include "twain/capability/capability_value.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <optional>
#include <string>

namespace vantrel::capability {
namespace {

// Expected bits written as (Whole << 16) | Frac, Whole the signed integer part and Frac 1/65536 steps.
constexpr std::uint32_t Bits(std::int16_t whole, std::uint16_t frac) {
    return static_cast<std::uint32_t>(static_cast<std::uint16_t>(whole)) << 16 | frac;
}

// Exact values convert both ways; others round to the nearest step, halves away from zero; none: refused.
TEST(Fix32, ConvertsToTheNearestStepOrRefuses) {
    constexpr double kStep = 1.0 / 65536, kInfinity = std::numeric_limits<double>::infinity();
    const struct {
        double value;
        std::optional<std::uint32_t> bits;
        bool exact;
    } cases[] = {
        {0.0, Bits(0, 0), true}, {0.5, Bits(0, 0x8000), true}, {-1.25, Bits(-2, 0xC000), true},
        {300.0, Bits(300, 0), true}, {kStep, Bits(0, 1), true}, {-kStep, Bits(-1, 0xFFFF), true},
        {-0.5, Bits(-1, 0x8000), true}, {32768.0 - kStep, Bits(32767, 0xFFFF), true}, {-32768.0, Bits(-32768, 0), true},
        {0.5 * kStep, Bits(0, 1), false}, {-0.5 * kStep, Bits(-1, 0xFFFF), false}, {0.49 * kStep, Bits(0, 0), false},
        {-0.49 * kStep, Bits(0, 0), false}, {1.5 * kStep, Bits(0, 2), false}, {2.5 * kStep, Bits(0, 3), false},
        {0.1, Bits(0, 6554), false},  // 6553.6 steps
        {-0.1, Bits(-1, 65536 - 6554), false}, {-32768.0 - 0.25 * kStep, Bits(-32768, 0), false},
        {32768.0, std::nullopt, false}, {32768.0 - 0.25 * kStep, std::nullopt, false},  // rounds up to 32768
        {-32768.0 - kStep, std::nullopt, false}, {1e12, std::nullopt, false}, {kInfinity, std::nullopt, false},
        {-kInfinity, std::nullopt, false}, {std::numeric_limits<double>::quiet_NaN(), std::nullopt, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(DoubleToFix32(c.value), c.bits);
        if (c.exact) EXPECT_EQ(Fix32ToDouble(*c.bits), c.value);
    }
}

// Strings of any length fit: the encoder cuts them to the field.
TEST(ItemFits, EachTypeTakesOnlyItsOwnKindOfItemWithinItsBounds) {
    const auto i = [](std::int64_t value) { return Item{value}; };
    const struct {
        ItemType type;
        Item item;
        bool fits;
    } cases[] = {
        {ItemType::Int8, i(-128), true}, {ItemType::Int8, i(127), true}, {ItemType::Int8, i(128), false},
        {ItemType::Int8, i(-129), false}, {ItemType::UInt8, i(255), true}, {ItemType::UInt8, i(-1), false},
        {ItemType::UInt8, i(256), false}, {ItemType::Int16, i(-32768), true}, {ItemType::Int16, i(32768), false},
        {ItemType::UInt16, i(65535), true}, {ItemType::UInt16, i(65536), false}, {ItemType::Int32, i(-2147483648LL), true},
        {ItemType::Int32, i(2147483648LL), false}, {ItemType::UInt32, i(4294967295LL), true},
        {ItemType::UInt32, i(4294967296LL), false}, {ItemType::UInt32, i(-1), false},
        {ItemType::Bool, Item{true}, true}, {ItemType::Bool, i(1), false}, {ItemType::UInt16, Item{true}, false},
        {ItemType::UInt16, Item{2.0}, false}, {ItemType::Fix32, Item{300.0}, true}, {ItemType::Fix32, Item{40000.0}, false},
        {ItemType::Fix32, i(300), false}, {ItemType::Frame, Item{Frame{0, 0, 8.5, 11}}, true},
        {ItemType::Frame, Item{Frame{0, 0, 8.5, 40000}}, false}, {ItemType::Frame, Item{8.5}, false},
        {ItemType::Str32, Item{std::string(100, 'x')}, true}, {ItemType::Str32, i(0), false},
        {ItemType::Int32, Item{std::string("1")}, false},
    };
    for (const auto& c : cases) EXPECT_EQ(ItemFits(c.type, c.item), c.fits) << static_cast<int>(c.type) << " #" << (&c - cases);
}

}  // namespace
}  // namespace vantrel::capability
