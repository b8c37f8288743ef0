// The container blocks read and written byte by byte, bounded by the block and by kMaxItems.
#include "twain/capability/container_codec.h"

#include "twain/twain_records.h"

#include <algorithm>
#include <iterator>

namespace vantrel::capability {
namespace {

namespace tw = vantrel::twain;

constexpr std::size_t kOneValueItemOffset = offsetof(tw::TW_ONEVALUE, Item);
constexpr std::size_t kArrayListOffset = offsetof(tw::TW_ARRAY, ItemList);
constexpr std::size_t kEnumerationListOffset = offsetof(tw::TW_ENUMERATION, ItemList);
constexpr std::size_t kFieldSize = sizeof(tw::TW_UINT32);

std::uint32_t ReadU32(const std::uint8_t* at) {
    return static_cast<std::uint32_t>(at[0]) | static_cast<std::uint32_t>(at[1]) << 8 |
           static_cast<std::uint32_t>(at[2]) << 16 | static_cast<std::uint32_t>(at[3]) << 24;
}

std::uint16_t ReadU16(const std::uint8_t* at) {
    return static_cast<std::uint16_t>(at[0] | at[1] << 8);
}

// A TW_FIX32 in memory is Whole (i16) and then Frac (u16); the value counts 1/65536 steps.
std::uint32_t ReadFix32(const std::uint8_t* at) {
    return static_cast<std::uint32_t>(ReadU16(at + offsetof(tw::TW_FIX32, Whole))) << 16 |
           ReadU16(at + offsetof(tw::TW_FIX32, Frac));
}

// The characters before the first zero, looking no further than the field's length minus one: the last
// byte is the terminator's place, so a string that fills it was never terminated.
std::string ReadString(const std::uint8_t* at, std::size_t fieldSize) {
    const auto* begin = reinterpret_cast<const char*>(at);
    const auto* end = std::find(begin, begin + fieldSize - 1, '\0');
    return std::string(begin, end);
}

// Reads one item whose ItemSize(type) bytes at `at` are known to lie inside the block.
Item ReadItem(ItemType type, const std::uint8_t* at) {
    switch (type) {
        case ItemType::Int8:
            return std::int64_t{static_cast<std::int8_t>(at[0])};
        case ItemType::UInt8:
            return std::int64_t{at[0]};
        case ItemType::Int16:
            return std::int64_t{static_cast<std::int16_t>(ReadU16(at))};
        case ItemType::UInt16:
            return std::int64_t{ReadU16(at)};
        case ItemType::Int32:
            return std::int64_t{static_cast<std::int32_t>(ReadU32(at))};
        case ItemType::UInt32:
            return std::int64_t{ReadU32(at)};
        case ItemType::Bool:
            return ReadU16(at) != 0;
        case ItemType::Fix32:
            return Fix32ToDouble(ReadFix32(at));
        case ItemType::Frame:
            return Frame{Fix32ToDouble(ReadFix32(at + offsetof(tw::TW_FRAME, Left))),
                         Fix32ToDouble(ReadFix32(at + offsetof(tw::TW_FRAME, Top))),
                         Fix32ToDouble(ReadFix32(at + offsetof(tw::TW_FRAME, Right))),
                         Fix32ToDouble(ReadFix32(at + offsetof(tw::TW_FRAME, Bottom)))};
        case ItemType::Str32:
        case ItemType::Str64:
        case ItemType::Str128:
        case ItemType::Str255:
            return ReadString(at, ItemSize(type));
    }
    return std::int64_t{0};
}

struct TypeRead {
    ItemType type = ItemType::Int8;
    CodecError error = CodecError::None;
};

TypeRead ReadItemType(std::uint16_t code) {
    if (const auto type = ItemTypeFromCode(code)) return {*type, CodecError::None};
    if (code == tw::TWTY_STR1024 || code == tw::TWTY_UNI512 || code == tw::TWTY_HANDLE)
        return {ItemType::Int8, CodecError::UnsupportedItemType};
    return {ItemType::Int8, CodecError::UnknownItemType};
}

DecodeResult Failed(CodecError error) {
    return {std::nullopt, error};
}

// The header of `headerSize` bytes and then `count` items of `type` must lie inside the block. The
// count is bounded first, so the product below stays far from overflowing.
CodecError CheckList(std::span<const std::uint8_t> block, std::size_t headerSize, std::uint32_t count, ItemType type) {
    if (count > kMaxItems) return CodecError::TooManyItems;
    const std::uint64_t needed = headerSize + std::uint64_t{count} * ItemSize(type);
    return block.size() < needed ? CodecError::BlockTooShort : CodecError::None;
}

std::vector<Item> ReadList(std::span<const std::uint8_t> block, std::size_t headerSize, std::uint32_t count, ItemType type) {
    std::vector<Item> items;
    items.reserve(count);
    const std::size_t size = ItemSize(type);
    for (std::uint32_t i = 0; i < count; ++i) items.push_back(ReadItem(type, block.data() + headerSize + i * size));
    return items;
}

std::optional<std::uint32_t> IndexIntoList(std::uint32_t index, std::size_t count) {
    if (index >= count) return std::nullopt;
    return index;
}

DecodeResult DecodeOneValue(ItemType type, std::span<const std::uint8_t> block) {
    if (block.size() < kOneValueItemOffset + std::max(kFieldSize, ItemSize(type))) return Failed(CodecError::BlockTooShort);
    return {OneValue{type, ReadItem(type, block.data() + kOneValueItemOffset)}, CodecError::None};
}

DecodeResult DecodeArray(ItemType type, std::span<const std::uint8_t> block) {
    if (block.size() < kArrayListOffset) return Failed(CodecError::BlockTooShort);
    const std::uint32_t count = ReadU32(block.data() + offsetof(tw::TW_ARRAY, NumItems));
    if (const CodecError error = CheckList(block, kArrayListOffset, count, type); error != CodecError::None)
        return Failed(error);
    return {Array{type, ReadList(block, kArrayListOffset, count, type)}, CodecError::None};
}

DecodeResult DecodeEnumeration(ItemType type, std::span<const std::uint8_t> block) {
    if (block.size() < kEnumerationListOffset) return Failed(CodecError::BlockTooShort);
    const std::uint32_t count = ReadU32(block.data() + offsetof(tw::TW_ENUMERATION, NumItems));
    if (const CodecError error = CheckList(block, kEnumerationListOffset, count, type); error != CodecError::None)
        return Failed(error);
    Enumeration enumeration{type, ReadList(block, kEnumerationListOffset, count, type), std::nullopt, std::nullopt};
    enumeration.currentIndex = IndexIntoList(ReadU32(block.data() + offsetof(tw::TW_ENUMERATION, CurrentIndex)), count);
    enumeration.defaultIndex = IndexIntoList(ReadU32(block.data() + offsetof(tw::TW_ENUMERATION, DefaultIndex)), count);
    return {std::move(enumeration), CodecError::None};
}

bool FitsRange(ItemType type) {
    return IsInteger(type) || type == ItemType::Fix32;
}

DecodeResult DecodeRange(ItemType type, std::span<const std::uint8_t> block) {
    if (!FitsRange(type)) return Failed(CodecError::TypeNotInRange);
    if (block.size() < sizeof(tw::TW_RANGE)) return Failed(CodecError::BlockTooShort);
    const auto field = [&](std::size_t offset) { return ReadItem(type, block.data() + offset); };
    return {Range{type, field(offsetof(tw::TW_RANGE, MinValue)), field(offsetof(tw::TW_RANGE, MaxValue)),
                  field(offsetof(tw::TW_RANGE, StepSize)), field(offsetof(tw::TW_RANGE, DefaultValue)),
                  field(offsetof(tw::TW_RANGE, CurrentValue))},
            CodecError::None};
}

class Writer {
public:
    void U16(std::uint16_t value) {
        bytes_.push_back(static_cast<std::uint8_t>(value));
        bytes_.push_back(static_cast<std::uint8_t>(value >> 8));
    }
    void U32(std::uint32_t value) {
        for (int shift = 0; shift < 32; shift += 8) bytes_.push_back(static_cast<std::uint8_t>(value >> shift));
    }
    void Zeros(std::size_t count) { bytes_.insert(bytes_.end(), count, 0); }
    void Fix32(std::uint32_t value) {
        U16(static_cast<std::uint16_t>(value >> 16));
        U16(static_cast<std::uint16_t>(value));
    }

    // Writes an item already checked with ItemFits, in exactly ItemSize(type) bytes.
    void PutItem(ItemType type, const Item& item) {
        switch (type) {
            case ItemType::Int8:
            case ItemType::UInt8:
                bytes_.push_back(static_cast<std::uint8_t>(std::get<std::int64_t>(item)));
                return;
            case ItemType::Int16:
            case ItemType::UInt16:
                U16(static_cast<std::uint16_t>(std::get<std::int64_t>(item)));
                return;
            case ItemType::Int32:
            case ItemType::UInt32:
                U32(static_cast<std::uint32_t>(std::get<std::int64_t>(item)));
                return;
            case ItemType::Bool:
                U16(std::get<bool>(item) ? 1 : 0);
                return;
            case ItemType::Fix32:
                Fix32(*DoubleToFix32(std::get<double>(item)));
                return;
            case ItemType::Frame: {
                const Frame& frame = std::get<Frame>(item);
                for (const double side : {frame.left, frame.top, frame.right, frame.bottom}) Fix32(*DoubleToFix32(side));
                return;
            }
            case ItemType::Str32:
            case ItemType::Str64:
            case ItemType::Str128:
            case ItemType::Str255: {
                const std::string& text = std::get<std::string>(item);
                const std::size_t kept = std::min(text.size(), ItemSize(type) - 1);
                bytes_.insert(bytes_.end(), text.begin(), text.begin() + static_cast<std::ptrdiff_t>(kept));
                Zeros(ItemSize(type) - kept);
                return;
            }
        }
    }

    // A four-byte field holding a narrower item: signed types widened with their sign, as a C
    // assignment to TW_UINT32 does, so sources reading either the low bytes or the whole field agree.
    void PutField(ItemType type, const Item& item) {
        if (IsInteger(type)) {
            U32(static_cast<std::uint32_t>(std::get<std::int64_t>(item)));
            return;
        }
        if (type == ItemType::Bool) {
            U32(std::get<bool>(item) ? 1 : 0);
            return;
        }
        PutItem(type, item);
    }

    std::vector<std::uint8_t> Take() { return std::move(bytes_); }

private:
    std::vector<std::uint8_t> bytes_;
};

EncodeResult Refused(CodecError error) {
    return {{}, error};
}

CodecError CheckItems(ItemType type, const std::vector<Item>& items) {
    if (items.size() > kMaxItems) return CodecError::TooManyItems;
    const bool allFit = std::all_of(items.begin(), items.end(), [type](const Item& item) { return ItemFits(type, item); });
    return allFit ? CodecError::None : CodecError::ItemDoesNotFit;
}

EncodeResult EncodeOne(const OneValue& one) {
    if (!ItemFits(one.type, one.item)) return Refused(CodecError::ItemDoesNotFit);
    Writer writer;
    writer.U16(static_cast<std::uint16_t>(one.type));
    if (ItemSize(one.type) <= kFieldSize) {
        writer.PutField(one.type, one.item);
    } else {
        writer.PutItem(one.type, one.item);
    }
    return {writer.Take(), CodecError::None};
}

EncodeResult EncodeOne(const Array& array) {
    if (const CodecError error = CheckItems(array.type, array.items); error != CodecError::None) return Refused(error);
    Writer writer;
    writer.U16(static_cast<std::uint16_t>(array.type));
    writer.U32(static_cast<std::uint32_t>(array.items.size()));
    for (const Item& item : array.items) writer.PutItem(array.type, item);
    return {writer.Take(), CodecError::None};
}

std::uint32_t IndexField(const std::optional<std::uint32_t>& index) {
    return index ? *index : tw::TWON_DONTCARE32;
}

EncodeResult EncodeOne(const Enumeration& enumeration) {
    if (const CodecError error = CheckItems(enumeration.type, enumeration.items); error != CodecError::None)
        return Refused(error);
    const auto outside = [&](const std::optional<std::uint32_t>& index) {
        return index && *index >= enumeration.items.size();
    };
    if (outside(enumeration.currentIndex) || outside(enumeration.defaultIndex)) return Refused(CodecError::IndexOutsideList);
    Writer writer;
    writer.U16(static_cast<std::uint16_t>(enumeration.type));
    writer.U32(static_cast<std::uint32_t>(enumeration.items.size()));
    writer.U32(IndexField(enumeration.currentIndex));
    writer.U32(IndexField(enumeration.defaultIndex));
    for (const Item& item : enumeration.items) writer.PutItem(enumeration.type, item);
    return {writer.Take(), CodecError::None};
}

EncodeResult EncodeOne(const Range& range) {
    if (!FitsRange(range.type)) return Refused(CodecError::TypeNotInRange);
    const Item* fields[] = {&range.min, &range.max, &range.step, &range.defaultValue, &range.current};
    for (const Item* field : fields) {
        if (!ItemFits(range.type, *field)) return Refused(CodecError::ItemDoesNotFit);
    }
    Writer writer;
    writer.U16(static_cast<std::uint16_t>(range.type));
    for (const Item* field : fields) writer.PutField(range.type, *field);
    return {writer.Take(), CodecError::None};
}

}  // namespace

std::string_view Describe(CodecError error) {
    switch (error) {
        case CodecError::None:
            return "no error";
        case CodecError::UnknownContainer:
            return "unknown container type";
        case CodecError::UnknownItemType:
            return "unknown item type";
        case CodecError::UnsupportedItemType:
            return "item type not supported";
        case CodecError::TypeNotInRange:
            return "item type cannot form a range";
        case CodecError::BlockTooShort:
            return "container block shorter than its contents";
        case CodecError::TooManyItems:
            return "too many items";
        case CodecError::ItemDoesNotFit:
            return "item does not fit its type";
        case CodecError::IndexOutsideList:
            return "index outside the item list";
    }
    return "unknown error";
}

std::uint16_t ContainerCode(const Container& container) {
    // In the order of Container's alternatives.
    constexpr std::uint16_t codes[] = {tw::TWON_ONEVALUE, tw::TWON_ENUMERATION, tw::TWON_RANGE, tw::TWON_ARRAY};
    static_assert(std::size(codes) == std::variant_size_v<Container>);
    return codes[container.index()];
}

DecodeResult Decode(std::uint16_t conType, std::span<const std::uint8_t> block) {
    if (conType != tw::TWON_ONEVALUE && conType != tw::TWON_ENUMERATION && conType != tw::TWON_RANGE &&
        conType != tw::TWON_ARRAY)
        return Failed(CodecError::UnknownContainer);
    if (block.size() < sizeof(tw::TW_UINT16)) return Failed(CodecError::BlockTooShort);
    const TypeRead read = ReadItemType(ReadU16(block.data()));
    if (read.error != CodecError::None) return Failed(read.error);
    switch (conType) {
        case tw::TWON_ONEVALUE:
            return DecodeOneValue(read.type, block);
        case tw::TWON_ENUMERATION:
            return DecodeEnumeration(read.type, block);
        case tw::TWON_RANGE:
            return DecodeRange(read.type, block);
        default:
            return DecodeArray(read.type, block);
    }
}

EncodeResult Encode(const Container& container) {
    return std::visit([](const auto& held) { return EncodeOne(held); }, container);
}

}  // namespace vantrel::capability
