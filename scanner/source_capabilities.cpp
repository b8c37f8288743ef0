// The source's capability and image layout triplets: the pure model behind them, the containers in and out here.
#include "scanner/source.h"

#include <cstdio>
#include <cstring>
#include <vector>

namespace vantrel::scanner {

using namespace twain;

namespace {

TW_FIX32 Fix32Of(double value) {
    const TW_UINT32 raw = ToFix32(value);
    return TW_FIX32{static_cast<std::int16_t>(raw & 0xFFFF), static_cast<TW_UINT16>(raw >> 16)};
}

double ValueOf(const TW_FIX32& value) {
    return FromFix32(static_cast<TW_UINT16>(value.Whole) | (static_cast<TW_UINT32>(value.Frac) << 16));
}

TW_FRAME FrameOf(const Frame& frame) {
    return {Fix32Of(frame.left), Fix32Of(frame.top), Fix32Of(frame.right), Fix32Of(frame.bottom)};
}

}  // namespace

// MSG_SET reads the application's container and leaves it the application's; every other
// message answers in a new block the application frees (through the DSM's functions when the
// DSM gave them).
TW_UINT16 Source::Capability(TW_UINT16 msg, TW_CAPABILITY* capability, std::string& detail) {
    if (msg == MSG_RESETALL) {
        ResetAll(capabilities_);
        return TWRC_SUCCESS;
    }
    if (!capability) return Fail(TWCC_BADVALUE);
    if (msg == MSG_SET && capability->Cap == ICAP_PIXELTYPE && quirks_.setCurrentFails) return Fail(TWCC_BUMMER);
    capabilities_.feederLoaded = paper_.loaded();
    std::optional<Container> request;
    if (msg == MSG_SET) {
        DsmLock locked(dsm_, capability->hContainer);
        // A global block says its size; the DSM's functions do not, so only the TW_ONEVALUE its
        // item type names is read.
        const HGLOBAL block = FromTwain<HGLOBAL>(capability->hContainer);
        const auto* bytes = static_cast<const std::uint8_t*>(locked.get());
        if (locked && capability->ConType == TWON_ONEVALUE) {
            const auto itemType = static_cast<TW_UINT16>(bytes[0] | bytes[1] << 8);
            request = DecodeOneValue({bytes, dsm_.hasMemoryFunctions() ? OneValueSize(itemType) : ::GlobalSize(block)});
        } else if (locked) {
            request = Container{};
            request->conType = capability->ConType;  // a container this source does not take
        }
    }
    if (request && !request->items.empty()) {
        char text[40];
        std::snprintf(text, sizeof text, "cap 0x%04X=%d", capability->Cap, static_cast<int>(request->items.front()));
        detail = text;
    }
    const Reply reply = AnswerCapability(msg, capability->Cap, capabilities_, request ? &*request : nullptr);
    if (reply.rc == TWRC_FAILURE) return Fail(reply.cc);
    if (!reply.container || msg == MSG_SET) return reply.rc;
    const std::vector<std::uint8_t> bytes = EncodeContainer(*reply.container);
    DsmBlock block(dsm_, bytes.size());
    if (!block) return Fail(TWCC_LOWMEMORY);
    {
        DsmLock locked(dsm_, block.get());
        if (!locked) return Fail(TWCC_LOWMEMORY);
        std::memcpy(locked.get(), bytes.data(), bytes.size());
    }
    capability->ConType = reply.container->conType;
    capability->hContainer = block.release();
    return reply.rc;
}

// The frame in the current units, as ICAP_FRAMES has it too; SET cuts it to the glass.
TW_UINT16 Source::ImageLayout(TW_UINT16 msg, TW_IMAGELAYOUT* layout) {
    if (!layout) return Fail(TWCC_BADVALUE);
    TW_UINT16 rc = TWRC_SUCCESS;
    if (msg == MSG_SET) {
        const Frame asked{ValueOf(layout->Frame.Left), ValueOf(layout->Frame.Top), ValueOf(layout->Frame.Right),
                          ValueOf(layout->Frame.Bottom)};
        const Reply reply = SetLayout(InInches(asked, capabilities_.current), capabilities_);
        if (reply.rc == TWRC_FAILURE) return Fail(reply.cc);
        rc = reply.rc;
    }
    if (msg == MSG_RESET) ResetLayout(capabilities_);
    const Frame& frame = msg == MSG_GETDEFAULT ? capabilities_.defaults.frame : capabilities_.current.frame;
    layout->Frame = FrameOf(InUnits(frame, capabilities_.current));
    layout->DocumentNumber = 1;
    layout->PageNumber = static_cast<TW_UINT32>(paper_.current().number);
    layout->FrameNumber = 1;
    return rc;
}

}  // namespace vantrel::scanner
