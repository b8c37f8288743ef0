// Item bounds and the FIX32 conversions (the item types' codes and sizes show in the codec's layouts).
#include "twain/capability/capability_value.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

namespace vantrel::capability {
namespace {

// Expected bits written as (Whole << 16) | Frac, Whole the signed integer part and Frac 1/65536 steps.
constexpr std::uint32_t Bits(std::int16_t whole, std::uint16_t frac) {
    return static_cast<std::uint32_t>(static_cast<std::uint16_t>(whole)) << 16 | frac;
}

struct Fix32Case {
    double value;
    std::uint32_t bits;
};

TEST(Fix32, ConvertsExactValuesBothWays) {
    const Fix32Case cases[] = {
        {0.0, Bits(0, 0)},
        {0.5, Bits(0, 0x8000)},
        {-1.25, Bits(-2, 0xC000)},
        {300.0, Bits(300, 0)},
        {1.0 / 65536, Bits(0, 1)},
        {-1.0 / 65536, Bits(-1, 0xFFFF)},
        {-0.5, Bits(-1, 0x8000)},
        {32768.0 - 1.0 / 65536, Bits(32767, 0xFFFF)},
        {-32768.0, Bits(-32768, 0)},
    };
    for (const Fix32Case& c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(DoubleToFix32(c.value), c.bits);
        EXPECT_EQ(Fix32ToDouble(c.bits), c.value);
    }
}

TEST(Fix32, RoundsToNearestStepWithHalvesAwayFromZero) {
    const Fix32Case cases[] = {
        {0.5 / 65536, Bits(0, 1)},
        {-0.5 / 65536, Bits(-1, 0xFFFF)},
        {0.49 / 65536, Bits(0, 0)},
        {-0.49 / 65536, Bits(0, 0)},
        {1.5 / 65536, Bits(0, 2)},
        {2.5 / 65536, Bits(0, 3)},
        {0.1, Bits(0, 6554)},  // 6553.6 steps
        {-0.1, Bits(-1, 65536 - 6554)},
        {-32768.0 - 0.25 / 65536, Bits(-32768, 0)},
    };
    for (const Fix32Case& c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(DoubleToFix32(c.value), c.bits);
    }
}

TEST(Fix32, RefusesWhatDoesNotFit) {
    const double refused[] = {32768.0,
                              32768.0 - 0.25 / 65536,  // rounds up to 32768
                              -32768.0 - 1.0 / 65536,
                              1e12,
                              std::numeric_limits<double>::infinity(),
                              -std::numeric_limits<double>::infinity(),
                              std::numeric_limits<double>::quiet_NaN()};
    for (const double value : refused) {
        SCOPED_TRACE(value);
        EXPECT_FALSE(DoubleToFix32(value));
    }
}

TEST(ItemFits, IntegersWithinTheirTypesBounds) {
    struct Case {
        ItemType type;
        std::int64_t value;
        bool fits;
    };
    const Case cases[] = {
        {ItemType::Int8, -128, true},         {ItemType::Int8, 127, true},        {ItemType::Int8, 128, false},
        {ItemType::Int8, -129, false},        {ItemType::UInt8, 255, true},       {ItemType::UInt8, -1, false},
        {ItemType::UInt8, 256, false},        {ItemType::Int16, -32768, true},    {ItemType::Int16, 32768, false},
        {ItemType::UInt16, 65535, true},      {ItemType::UInt16, 65536, false},   {ItemType::Int32, -2147483648LL, true},
        {ItemType::Int32, 2147483648LL, false}, {ItemType::UInt32, 4294967295LL, true},
        {ItemType::UInt32, 4294967296LL, false}, {ItemType::UInt32, -1, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << static_cast<int>(c.type) << " " << c.value);
        EXPECT_EQ(ItemFits(c.type, Item{c.value}), c.fits);
    }
}

TEST(ItemFits, EachTypeTakesOnlyItsOwnKindOfItem) {
    EXPECT_TRUE(ItemFits(ItemType::Bool, Item{true}));
    EXPECT_FALSE(ItemFits(ItemType::Bool, Item{std::int64_t{1}}));
    EXPECT_FALSE(ItemFits(ItemType::UInt16, Item{true}));
    EXPECT_FALSE(ItemFits(ItemType::UInt16, Item{2.0}));
    EXPECT_TRUE(ItemFits(ItemType::Fix32, Item{300.0}));
    EXPECT_FALSE(ItemFits(ItemType::Fix32, Item{40000.0}));
    EXPECT_FALSE(ItemFits(ItemType::Fix32, Item{std::int64_t{300}}));
    EXPECT_TRUE(ItemFits(ItemType::Frame, Item{Frame{0, 0, 8.5, 11}}));
    EXPECT_FALSE(ItemFits(ItemType::Frame, Item{Frame{0, 0, 8.5, 40000}}));
    EXPECT_FALSE(ItemFits(ItemType::Frame, Item{8.5}));
    // Strings of any length fit: the encoder cuts them to the field.
    EXPECT_TRUE(ItemFits(ItemType::Str32, Item{std::string(100, 'x')}));
    EXPECT_FALSE(ItemFits(ItemType::Str32, Item{std::int64_t{0}}));
    EXPECT_FALSE(ItemFits(ItemType::Int32, Item{std::string("1")}));
}

}  // namespace
}  // namespace vantrel::capability
