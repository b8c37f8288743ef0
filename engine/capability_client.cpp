// Capability requests: containers in blocks of the DSM's memory, read through the pure codec.
#include "engine/capability_client.h"

#include "engine/condition_text.h"
#include "twain/capability/container_codec.h"
#include "engine/source_status.h"
#include "twain/capability/twain_names.h"
#include "win32/utf8_text.h"

#include <cstring>
#include <cwchar>

namespace vantrel::engine {

using namespace twain;

namespace {

// A block of the DSM's memory holding `bytes`; empty when none can be had or locked.
DsmBlock BlockWith(const DsmLink& link, std::span<const std::uint8_t> bytes) {
    DsmBlock block = DsmBlock::Allocate(link, static_cast<std::uint32_t>(bytes.size()));
    if (!block) return block;
    DsmBlockView view(link, block.get());
    if (view.bytes().size() < bytes.size()) return DsmBlock();
    std::memcpy(view.bytes().data(), bytes.data(), bytes.size());
    return block;
}

// One DAT_CAPABILITY request; `container` is what the source leaves in hContainer.
TW_UINT16 Send(const SourceRef& source, std::uint16_t capability, TW_UINT16 msg, TW_UINT16& conType,
               TW_HANDLE& container) {
    TW_CAPABILITY request{};
    request.Cap = capability;
    request.ConType = conType;
    request.hContainer = container;
    const TW_UINT16 rc = source.Call(DG_CONTROL, DAT_CAPABILITY, msg, &request);
    conType = request.ConType;
    container = request.hContainer;
    return rc;
}

// Sends `msg` with `block` as the container; takes back whatever container the source leaves.
CapabilityReply Exchange(const SourceRef& source, std::uint16_t capability, TW_UINT16 msg, TW_UINT16 conType,
                         DsmBlock block) {
    TW_HANDLE container = block.get();
    CapabilityReply reply;
    reply.rc = Send(source, capability, msg, conType, container);
    // The block we sent stays ours; a source that answers with a new one hands that one over.
    DsmBlock answer;
    if (container && container != block.get()) answer = DsmBlock(source.link, container);
    if (reply.rc == TWRC_FAILURE || reply.rc == TWRC_CHECKSTATUS) reply.condition = ReadCondition(source);
    if (reply.rc != TWRC_SUCCESS && reply.rc != TWRC_CHECKSTATUS) return reply;
    const TW_HANDLE returned = answer ? answer.get() : (msg == MSG_SET ? 0 : block.get());
    if (!returned) return reply;
    DsmBlockView view(source.link, returned);
    if (!view.locked()) {
        reply.problem = L"the source's container could not be locked";
        return reply;
    }
    const auto decoded = capability::Decode(conType, view.bytes());
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
    DsmBlock block = BlockWith(source.link, encoded.bytes);
    if (!block) {
        CapabilityReply reply;
        reply.problem = L"there is no memory for the container";
        return reply;
    }
    return Exchange(source, capability, MSG_SET, capability::ContainerCode(value), std::move(block));
}

CapabilityReply SetRawOneValue(const SourceRef& source, std::uint16_t capability, std::uint16_t itemType,
                               std::uint32_t item) {
    TW_ONEVALUE value{};
    value.ItemType = itemType;
    value.Item = item;
    DsmBlock block = BlockWith(source.link, std::span(reinterpret_cast<const std::uint8_t*>(&value), sizeof value));
    CapabilityReply reply;
    if (!block) return reply;
    TW_UINT16 conType = TWON_ONEVALUE;
    TW_HANDLE container = block.get();
    reply.rc = Send(source, capability, MSG_SET, conType, container);
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
