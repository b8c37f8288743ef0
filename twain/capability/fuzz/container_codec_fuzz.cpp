// libFuzzer target: Decode on arbitrary blocks (the first byte picks the container type), then every
// decoded container must encode and decode again to the same value.
#include "twain/capability/container_codec.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

namespace {

void Require(bool holds) {
    if (!holds) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    // TWON_ARRAY (3) to TWON_RANGE (6), and 7 for a type that is none of them.
    const auto conType = static_cast<std::uint16_t>(3 + data[0] % 5);
    // The block ends where the fuzzer's own allocation ends, so AddressSanitizer sees any read past it.
    const std::span<const std::uint8_t> block(data + 1, size - 1);
    const vantrel::capability::DecodeResult decoded = vantrel::capability::Decode(conType, block);
    Require(decoded.container.has_value() == (decoded.error == vantrel::capability::CodecError::None));
    if (!decoded.container) return 0;
    Require(vantrel::capability::ContainerCode(*decoded.container) == conType);

    const vantrel::capability::EncodeResult encoded = vantrel::capability::Encode(*decoded.container);
    Require(encoded.error == vantrel::capability::CodecError::None);
    // What was read fitted in the block, so its record can be no longer.
    Require(encoded.bytes.size() <= block.size());

    const vantrel::capability::DecodeResult again = vantrel::capability::Decode(conType, encoded.bytes);
    Require(again.container.has_value() && *again.container == *decoded.container);
    Require(vantrel::capability::Encode(*again.container).bytes == encoded.bytes);
    return 0;
}
