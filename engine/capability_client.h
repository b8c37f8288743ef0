// Capability requests to an open source: every message, every container, decoded without reading past the block.
#pragma once

#include "twain/capability/capability_value.h"
#include "engine/source_ref.h"

#include <cstdint>
#include <optional>
#include <string>

namespace vantrel::engine {

struct CapabilityReply {
    twain::TW_UINT16 rc = twain::TWRC_FAILURE;
    std::uint16_t condition = twain::TWCC_SUCCESS;  // after a failure or TWRC_CHECKSTATUS
    std::optional<capability::Container> container;
    std::wstring problem;  // why a container the source sent could not be read

    bool ok() const { return (rc == twain::TWRC_SUCCESS || rc == twain::TWRC_CHECKSTATUS) && problem.empty(); }
};

// MSG_GET, MSG_GETCURRENT, MSG_GETDEFAULT or MSG_RESET: the container the source answers with,
// freed (through the DSM's memory where it has some) once read.
CapabilityReply QueryCapability(const SourceRef& source, std::uint16_t capability, twain::TW_UINT16 msg);

// MSG_SET with the container encoded by our own codec in a block of the DSM's memory.
CapabilityReply SetCapability(const SourceRef& source, std::uint16_t capability, const capability::Container& value);

// MSG_SET of a one-value container whose item is passed as the raw 32 bits the source receives.
CapabilityReply SetRawOneValue(const SourceRef& source, std::uint16_t capability, std::uint16_t itemType,
                               std::uint32_t item);

// MSG_QUERYSUPPORT: the TWQC_* flags, or nullopt when the source does not answer it.
std::optional<std::int32_t> QuerySupport(const SourceRef& source, std::uint16_t capability);

// The capability's name as TWAIN spells it, or its number in hexadecimal.
std::wstring CapabilityLabel(std::uint16_t capability);

}  // namespace vantrel::engine
