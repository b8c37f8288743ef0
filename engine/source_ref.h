// An open source as the engine's requests reach it: through the DSM seam, with both identities.
#pragma once

#include "engine/dsm_link.h"

namespace vantrel::engine {

struct SourceRef {
    const DsmLink& link;
    twain::TW_IDENTITY& application;
    twain::TW_IDENTITY& source;

    twain::TW_UINT16 Call(twain::TW_UINT32 dg, twain::TW_UINT16 dat, twain::TW_UINT16 msg, void* data) const {
        return link.Call(application, &source, dg, dat, msg, data);
    }
};

}  // namespace vantrel::engine
