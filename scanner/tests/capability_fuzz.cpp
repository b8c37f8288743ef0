// Fuzzes the capability model with arbitrary application containers: no message may crash or yield an unencodable answer.
#include "scanner/capabilities.h"
#include "scanner/capability_container.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

using namespace vantrel::scanner;
using namespace vantrel::twain;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    CapabilityState state = StateFrom({});
    const std::vector<TW_UINT16>& caps = SupportedCaps();
    static constexpr TW_UINT16 kMessages[] = {MSG_GET, MSG_GETCURRENT, MSG_GETDEFAULT, MSG_SET, MSG_RESET, MSG_QUERYSUPPORT, 0x0009};
    std::span<const std::uint8_t> rest(data, size);
    // Each step: a capability (one byte; beyond the list, an arbitrary code), a message, then a
    // six-byte container for MSG_SET taken from what follows.
    while (rest.size() >= 2) {
        const TW_UINT16 cap = rest[0] < caps.size() ? caps[rest[0]] : static_cast<TW_UINT16>(rest[0] * 0x101);
        const TW_UINT16 msg = kMessages[rest[1] % std::size(kMessages)];
        rest = rest.subspan(2);
        const std::optional<Container> request = DecodeOneValue(rest.first(std::min<std::size_t>(rest.size(), 6)));
        rest = rest.subspan(std::min<std::size_t>(rest.size(), 6));
        const Reply reply = AnswerCapability(msg, cap, state, request ? &*request : nullptr);
        if (reply.rc == TWRC_FAILURE && reply.container) std::abort();
        if (reply.container && EncodeContainer(*reply.container).empty()) std::abort();
        const PixelSize size = ImageSize(state.current);
        if (size.width < 1 || size.height < 1) std::abort();
    }
    for (TW_UINT16 cap : caps) {
        const Reply reply = AnswerCapability(MSG_GET, cap, state, nullptr);
        if (reply.rc != TWRC_SUCCESS || !reply.container || EncodeContainer(*reply.container).empty()) std::abort();
        // An enumeration's indices always point into its list.
        if (reply.container->conType == TWON_ENUMERATION && reply.container->currentIndex >= reply.container->items.size()) std::abort();
    }
    return 0;
}
