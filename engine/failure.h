// Why a setting or a step did not happen, as a value every surface maps in its own way.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace vantrel::engine {

struct Failure {
    std::wstring what;  // the capability ("ICAP_XRESOLUTION") or the setting ("resolution") it is about
    std::optional<std::uint16_t> condition;  // TWCC_* from DAT_STATUS, when the source gave one
    std::wstring message;  // the whole sentence the surfaces show
};

}  // namespace vantrel::engine
