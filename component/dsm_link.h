// The one seam to the Data Source Manager: its library, its entry point, and every call through it.
#pragma once

#include "twain_records.h"
#include "win32_owners.h"

namespace vantrel {

class DsmLink {
public:
    // Loads "Twain_32.dll" through the ordinary library search and binds DSM_Entry.
    // On failure nothing stays loaded.
    bool Bind();
    // Forgets the entry point, then releases the library.
    void Release() noexcept;

    bool bound() const noexcept { return entry_ != nullptr; }
    HMODULE library() const noexcept { return library_.get(); }

    // One DSM request. The DSM receives a scratch copy of the application identity and whatever
    // it writes there (the Id at MSG_OPENDSM) is copied back, whatever the result.
    twain::TW_UINT16 Call(twain::TW_IDENTITY& appIdentity, twain::TW_IDENTITY* destination, twain::TW_UINT32 dg,
                          twain::TW_UINT16 dat, twain::TW_UINT16 msg, void* data) const;

private:
    UniqueModule library_;
    twain::DSMENTRYPROC entry_ = nullptr;
};

}  // namespace vantrel
