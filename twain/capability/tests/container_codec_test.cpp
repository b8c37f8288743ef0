// The container blocks: exact layouts read back whole, larger and cut short, and the blocks refused (the fuzz target
// round-trips whatever it decodes).
#include "twain/capability/container_codec.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace vantrel::capability {
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::uint16_t kArray = 3;
constexpr std::uint16_t kEnumeration = 4;
constexpr std::uint16_t kOneValue = 5;
constexpr std::uint16_t kRange = 6;

Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

Bytes U32(std::int64_t value) {
    return {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8), static_cast<std::uint8_t>(value >> 16),
            static_cast<std::uint8_t>(value >> 24)};
}

// A string field as a C program fills it: the characters, then zeros to the field's end.
Bytes Field(const std::string& text, std::size_t fieldSize) {
    Bytes field(text.begin(), text.end());
    field.resize(fieldSize, 0);
    return field;
}

// Decodes a copy of the first `length` bytes (all when none is given) in an allocation of exactly that size, so
// AddressSanitizer reports any read past the block.
DecodeResult DecodeExact(std::uint16_t conType, const Bytes& bytes, std::size_t length = SIZE_MAX) {
    return Decode(conType, Bytes(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(std::min(length, bytes.size()))));
}

Item I(std::int64_t value) {
    return Item{value};
}

struct Layout {
    const char* name;
    Container container;
    Bytes bytes;          // written from the record layouts, byte by byte
    bool encodes = true;  // false: a block a source may write that Encode never would, read as its fields mean
};

const std::vector<Layout>& Layouts() {
    const auto enumeration = [](std::uint32_t current, std::uint32_t defaultIndex) {
        return Cat({{0x03, 0x00}, U32(3), U32(current), U32(defaultIndex), {10, 20, 30}});
    };
    const std::vector<Item> tens = {I(10), I(20), I(30)};
    static const std::vector<Layout> layouts = {
        {"TW_ONEVALUE UINT16 TWPT_RGB", OneValue{ItemType::UInt16, I(2)}, {0x04, 0x00, 0x02, 0x00, 0x00, 0x00}},
        {"TW_ONEVALUE INT16 -5, widened with its sign", OneValue{ItemType::Int16, I(-5)},
         {0x01, 0x00, 0xFB, 0xFF, 0xFF, 0xFF}},
        {"TW_ONEVALUE INT8 -1", OneValue{ItemType::Int8, I(-1)}, {0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xFF}},
        {"TW_ONEVALUE UINT32", OneValue{ItemType::UInt32, I(0xA1B2C3D4)}, {0x05, 0x00, 0xD4, 0xC3, 0xB2, 0xA1}},
        {"TW_ONEVALUE BOOL TRUE", OneValue{ItemType::Bool, Item{true}}, {0x06, 0x00, 0x01, 0x00, 0x00, 0x00}},
        {"TW_ONEVALUE FIX32 -1.25: Whole -2, Frac 0xC000", OneValue{ItemType::Fix32, Item{-1.25}},
         {0x07, 0x00, 0xFE, 0xFF, 0x00, 0xC0}},
        {"TW_ONEVALUE FRAME in place of Item", OneValue{ItemType::Frame, Item{Frame{0, 0.5, 8.5, 11}}},
         Cat({{0x08, 0x00}, U32(0), U32(0x80000000), U32(0x80000008), U32(0x0B)})},
        {"TW_ONEVALUE STR32 in place of Item", OneValue{ItemType::Str32, Item{std::string("Vantrel")}},
         Cat({{0x09, 0x00}, Field("Vantrel", 34)})},
        {"TW_ONEVALUE STR255 in place of Item", OneValue{ItemType::Str255, Item{std::string("A4 duplex")}},
         Cat({{0x0C, 0x00}, Field("A4 duplex", 256)})},
        {"TW_ENUMERATION UINT16 BW GRAY RGB, current RGB, default BW",
         Enumeration{ItemType::UInt16, {I(0), I(1), I(2)}, 2, 0}, Cat({{0x04, 0x00}, U32(3), U32(2), U32(0), {0, 0, 1, 0, 2, 0}})},
        {"TW_ENUMERATION with no current index: TWON_DONTCARE32",
         Enumeration{ItemType::Bool, {Item{false}}, std::nullopt, 0}, Cat({{0x06, 0x00}, U32(1), U32(0xFFFFFFFF), U32(0), {0, 0}})},
        {"TW_ENUMERATION STR32", Enumeration{ItemType::Str32, {Item{std::string("a")}, Item{std::string("bc")}}, 0, 1},
         Cat({{0x09, 0x00}, U32(2), U32(0), U32(1), Field("a", 34), Field("bc", 34)})},
        {"TW_RANGE FIX32 50..600 step 1, default 100, current 300.5",
         Range{ItemType::Fix32, Item{50.0}, Item{600.0}, Item{1.0}, Item{100.0}, Item{300.5}},
         Cat({{0x07, 0x00}, U32(50), U32(600), U32(1), U32(100), U32(0x8000012C)})},
        {"TW_RANGE INT16 -100..100 step 5, default 0, current -5",
         Range{ItemType::Int16, I(-100), I(100), I(5), I(0), I(-5)}, Cat({{0x01, 0x00}, U32(-100), U32(100), U32(5), U32(0), U32(-5)})},
        {"TW_ARRAY INT32", Array{ItemType::Int32, {I(-1), I(0x01020304)}},
         {0x02, 0x00, 0x02, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0x04, 0x03, 0x02, 0x01}},
        {"TW_ARRAY FRAME", Array{ItemType::Frame, {Item{Frame{1, 2, 3, 4}}}}, Cat({{0x08, 0x00}, U32(1), U32(1), U32(2), U32(3), U32(4)})},
        {"TW_ARRAY empty", Array{ItemType::UInt32, {}}, {0x05, 0x00, 0x00, 0x00, 0x00, 0x00}},
        // Each list item type's size and edges (the one-value and range fields are 4 bytes whatever the type).
        {"TW_ARRAY INT8", Array{ItemType::Int8, {I(-128), I(127)}}, Cat({{0x00, 0x00}, U32(2), {0x80, 0x7F}})},
        {"TW_ARRAY UINT8", Array{ItemType::UInt8, {I(0), I(255)}}, Cat({{0x03, 0x00}, U32(2), {0x00, 0xFF}})},
        {"TW_ARRAY INT16", Array{ItemType::Int16, {I(-2)}}, Cat({{0x01, 0x00}, U32(1), {0xFE, 0xFF}})},
        {"TW_ARRAY UINT16", Array{ItemType::UInt16, {I(65535)}}, Cat({{0x04, 0x00}, U32(1), {0xFF, 0xFF}})},
        {"TW_ARRAY FIX32", Array{ItemType::Fix32, {Item{-1.25}}}, Cat({{0x07, 0x00}, U32(1), U32(0xC000FFFE)})},
        {"TW_ARRAY STR128", Array{ItemType::Str128, {Item{std::string(129, 'z')}}},
         Cat({{0x0B, 0x00}, U32(1), Field(std::string(129, 'z'), 130)})},
        // Read as the application must take them:
        {"a string field without a zero keeps its length minus one", OneValue{ItemType::Str32, Item{std::string(33, 'A')}},
         Cat({{0x09, 0x00}, Bytes(34, 'A')}), false},
        {"a string ends at its first zero", Array{ItemType::Str64, {Item{std::string("AB")}, Item{std::string("next")}}},
         Cat({{0x0A, 0x00}, U32(2), {'A', 'B', 0, 'C'}, Bytes(62, 0), Field("next", 66)}), false},
        {"an INT16 stored without its sign widened", OneValue{ItemType::Int16, I(-5)}, {0x01, 0x00, 0xFB, 0xFF, 0x00, 0x00}, false},
        {"a BOOL with a stray high byte", OneValue{ItemType::Bool, Item{true}}, {0x06, 0x00, 0x00, 0x01, 0x00, 0x00}, false},
        {"a UINT8 range with stray high bytes", Range{ItemType::UInt8, I(5), I(6), I(7), I(8), I(9)},
         Cat({{0x03, 0x00}, U32(0xEEEEEE05), U32(6), U32(0xEE07), U32(8), U32(0xEE000009)}), false},
        {"indexes inside the list", Enumeration{ItemType::UInt8, tens, 0, 2}, enumeration(0, 2), false},
        {"a current index one past the list", Enumeration{ItemType::UInt8, tens, std::nullopt, 1}, enumeration(3, 1), false},
        {"a default index of TWON_DONTCARE32", Enumeration{ItemType::UInt8, tens, 1, std::nullopt}, enumeration(1, 0xFFFFFFFF),
         false},
        {"both far outside", Enumeration{ItemType::UInt8, tens, std::nullopt, std::nullopt}, enumeration(0x80000000, 3), false},
        {"an empty enumeration has no indexes", Enumeration{ItemType::UInt16, {}, std::nullopt, std::nullopt},
         Cat({{0x04, 0x00}, U32(0), U32(0), U32(0)}), false},
    };
    return layouts;
}

// A larger block (GlobalSize may report more than was asked for) reads the same, and every shorter one is refused
// without reading past it.
TEST(ContainerLayout, EncodesToAndDecodesFromTheRecordBytes) {
    for (const Layout& layout : Layouts()) {
        SCOPED_TRACE(layout.name);
        if (layout.encodes) EXPECT_EQ(Encode(layout.container).bytes, layout.bytes);
        const std::uint16_t conType = ContainerCode(layout.container);
        const DecodeResult decoded = DecodeExact(conType, layout.bytes);
        ASSERT_EQ(decoded.error, CodecError::None);
        EXPECT_EQ(decoded.container, layout.container);
        EXPECT_EQ(DecodeExact(conType, Cat({layout.bytes, Bytes(7, 0xCC)})).container, layout.container);
        for (std::size_t length = 0; length < layout.bytes.size(); ++length) {
            const DecodeResult shorter = DecodeExact(conType, layout.bytes, length);
            EXPECT_EQ(shorter.error, CodecError::BlockTooShort) << "length " << length;
            EXPECT_FALSE(shorter.container) << "length " << length;
        }
    }
    EXPECT_EQ(Encode(OneValue{ItemType::Str32, Item{std::string(40, 'Q')}}).bytes, Cat({{0x09, 0x00}, Bytes(33, 'Q'), {0x00}}))
        << "cut to the field and ended with a zero";
}

TEST(ContainerCounts, TheBoundItselfIsAccepted) {
    Bytes block = Cat({{0x03, 0x00}, U32(kMaxItems)});
    block.resize(block.size() + kMaxItems, 0x2A);
    const DecodeResult decoded = DecodeExact(kArray, block);
    ASSERT_EQ(decoded.error, CodecError::None);
    const auto& array = std::get<Array>(*decoded.container);
    ASSERT_EQ(array.items.size(), kMaxItems);
    EXPECT_EQ(array.items.back(), I(0x2A));
}

TEST(ContainerRefused, BlocksTheDecoderCannotTake) {
    struct Case {
        const char* name;
        std::uint16_t conType;
        Bytes block;
        CodecError error;
    };
    const Case cases[] = {
        {"container 0", 0, {0x04, 0x00, 0x00, 0x00, 0x00, 0x00}, CodecError::UnknownContainer},
        {"container 7", 7, {0x04, 0x00, 0x00, 0x00, 0x00, 0x00}, CodecError::UnknownContainer},
        {"container 0xFFFF", 0xFFFF, {0x04, 0x00, 0x00, 0x00, 0x00, 0x00}, CodecError::UnknownContainer},
        {"TWTY_STR1024", kOneValue, {0x0D, 0x00, 0x00, 0x00, 0x00, 0x00}, CodecError::UnsupportedItemType},
        {"TWTY_UNI512", kArray, {0x0E, 0x00, 0x00, 0x00, 0x00, 0x00}, CodecError::UnsupportedItemType},
        {"TWTY_HANDLE", kEnumeration, Cat({{0x0F, 0x00}, U32(0), U32(0), U32(0)}), CodecError::UnsupportedItemType},
        {"item type 0x10", kOneValue, {0x10, 0x00, 0x00, 0x00, 0x00, 0x00}, CodecError::UnknownItemType},
        {"item type 0xFFFF", kRange, Cat({{0xFF, 0xFF}, Bytes(20, 0)}), CodecError::UnknownItemType},
        {"range of bools", kRange, Cat({{0x06, 0x00}, Bytes(20, 0)}), CodecError::TypeNotInRange},
        {"range of frames", kRange, Cat({{0x08, 0x00}, Bytes(20, 0)}), CodecError::TypeNotInRange},
        {"range of strings", kRange, Cat({{0x09, 0x00}, Bytes(20, 0)}), CodecError::TypeNotInRange},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const DecodeResult decoded = DecodeExact(c.conType, c.block);
        EXPECT_EQ(decoded.error, c.error);
        EXPECT_FALSE(decoded.container);
    }
}

// Which item fits which type is ItemFits' (capability_value_test.cpp); here, that every item and
// field is checked, and indexes past the list.
TEST(ContainerRefused, EncodeRefusesWhatTheRecordCannotHold) {
    struct Case {
        const char* name;
        Container container;
        CodecError error;
    };
    const Case cases[] = {
        {"a string in UINT16", Array{ItemType::UInt16, {I(1), Item{std::string("2")}}}, CodecError::ItemDoesNotFit},
        {"-1 in UINT32", Enumeration{ItemType::UInt32, {I(-1)}, 0, 0}, CodecError::ItemDoesNotFit},
        {"a range step past INT8", Range{ItemType::Int8, I(0), I(1), I(128), I(0), I(0)}, CodecError::ItemDoesNotFit},
        {"a range of bools", Range{ItemType::Bool, Item{false}, Item{true}, Item{true}, Item{false}, Item{false}},
         CodecError::TypeNotInRange},
        {"current past the list", Enumeration{ItemType::UInt16, {I(1), I(2)}, 2, 0}, CodecError::IndexOutsideList},
        {"default past the list", Enumeration{ItemType::UInt16, {I(1), I(2)}, 1, 5}, CodecError::IndexOutsideList},
        {"an index into no list", Enumeration{ItemType::UInt16, {}, 0, std::nullopt}, CodecError::IndexOutsideList},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const EncodeResult encoded = Encode(c.container);
        EXPECT_EQ(encoded.error, c.error);
        EXPECT_TRUE(encoded.bytes.empty());
    }
}

}  // namespace
}  // namespace vantrel::capability
