// Capability requests: containers in blocks of the DSM's memory, read through the pure codec.
#include "capability_client.h"

#include "condition_text.h"
#include "container_codec.h"
#include "twain_names.h"

#include <cstring>
#include <cwchar>

namespace vantrel::engine {

using namespace twain;

namespace {

std::uint16_t ConditionAfter(const SourceRef& source) {
    TW_STATUS status{};
    if (source.Call(DG_CONTROL, DAT_STATUS, MSG_GET, &status) != TWRC_SUCCESS) return TWCC_BUMMER;
    return status.ConditionCode;
}

// Sends `msg` with `block` as the container; takes back whatever container the source leaves.
CapabilityReply Exchange(const SourceRef& source, std::uint16_t capability, TW_UINT16 msg, TW_UINT16 conType,
                         DsmBlock block) {
    TW_CAPABILITY request{};
    request.Cap = capability;
    request.ConType = conType;
    request.hContainer = block.get();
    CapabilityReply reply;
    reply.rc = source.Call(DG_CONTROL, DAT_CAPABILITY, msg, &request);
    // The block we sent stays ours; a source that answers with a new one hands that one over.
    DsmBlock answer;
    if (request.hContainer && request.hContainer != block.get()) answer = DsmBlock(source.link, request.hContainer);
    if (reply.rc == TWRC_FAILURE || reply.rc == TWRC_CHECKSTATUS) reply.condition = ConditionAfter(source);
    if (reply.rc != TWRC_SUCCESS && reply.rc != TWRC_CHECKSTATUS) return reply;
    const TW_HANDLE returned = answer ? answer.get() : (msg == MSG_SET ? 0 : block.get());
    if (!returned) return reply;
    DsmBlockView view(source.link, returned);
    if (!view.locked()) {
        reply.problem = L"the source's container could not be locked";
        return reply;
    }
    const auto decoded = capability::Decode(request.ConType, view.bytes());
    if (!decoded.container) {
        reply.problem = L"the source's container is not valid: " + Widen(capability::Describe(decoded.error));
        return reply;
    }
    reply.container = decoded.container;
    return reply;
}

}  // namespace

CapabilityReply QueryCapability(const SourceRef& source, std::uint16_t capability, TW_UINT16 msg) {
    return Exchange(source, capability, msg, TWON_DONTCARE16, DsmBlock());
}

CapabilityReply SetCapability(const SourceRef& source, std::uint16_t capability, const capability::Container& value) {
    const auto encoded = capability::Encode(value);
    if (encoded.error != capability::CodecError::None) {
        CapabilityReply reply;
        reply.problem = L"the value cannot be sent: " + Widen(capability::Describe(encoded.error));
        return reply;
    }
    DsmBlock block = DsmBlock::Allocate(source.link, static_cast<std::uint32_t>(encoded.bytes.size()));
    if (!block) {
        CapabilityReply reply;
        reply.problem = L"there is no memory for the container";
        return reply;
    }
    {
        DsmBlockView view(source.link, block.get());
        if (view.bytes().size() < encoded.bytes.size()) {
            CapabilityReply reply;
            reply.problem = L"the container could not be locked";
            return reply;
        }
        std::memcpy(view.bytes().data(), encoded.bytes.data(), encoded.bytes.size());
    }
    return Exchange(source, capability, MSG_SET, capability::ContainerCode(value), std::move(block));
}

CapabilityReply SetRawOneValue(const SourceRef& source, std::uint16_t capability, std::uint16_t itemType,
                               std::uint32_t item) {
    DsmBlock block = DsmBlock::Allocate(source.link, sizeof(TW_ONEVALUE));
    if (!block) return CapabilityReply{};
    {
        DsmBlockView view(source.link, block.get());
        if (view.bytes().size() < sizeof(TW_ONEVALUE)) return CapabilityReply{};
        TW_ONEVALUE value{};
        value.ItemType = itemType;
        value.Item = item;
        std::memcpy(view.bytes().data(), &value, sizeof value);
    }
    TW_CAPABILITY request{};
    request.Cap = capability;
    request.ConType = TWON_ONEVALUE;
    request.hContainer = block.get();
    CapabilityReply reply;
    reply.rc = source.Call(DG_CONTROL, DAT_CAPABILITY, MSG_SET, &request);
    return reply;
}

std::optional<std::int32_t> QuerySupport(const SourceRef& source, std::uint16_t capability) {
    const CapabilityReply reply = QueryCapability(source, capability, MSG_QUERYSUPPORT);
    if (!reply.ok() || !reply.container) return std::nullopt;
    const auto* one = std::get_if<capability::OneValue>(&*reply.container);
    if (!one) return std::nullopt;
    const auto* flags = std::get_if<std::int64_t>(&one->item);
    if (!flags) return std::nullopt;
    return static_cast<std::int32_t>(*flags);
}

std::wstring CapabilityLabel(std::uint16_t capability) {
    if (const auto name = capability::CapabilityName(capability)) return Widen(*name);
    wchar_t text[16];
    std::swprintf(text, std::size(text), L"0x%04X", capability);
    return text;
}

}  // namespace vantrel::engine
