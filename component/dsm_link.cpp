// The one seam to the Data Source Manager: its library, its entry point, and every call through it.
#include "dsm_link.h"

namespace vantrel {

using namespace twain;

bool DsmLink::Bind() {
    UniqueModule library(::LoadLibraryA("Twain_32.dll"));
    if (!library) return false;
    auto entry = reinterpret_cast<DSMENTRYPROC>(reinterpret_cast<void*>(::GetProcAddress(library.get(), "DSM_Entry")));
    if (!entry) return false;
    library_ = std::move(library);
    entry_ = entry;
    return true;
}

void DsmLink::Release() noexcept {
    entry_ = nullptr;
    library_.reset();
}

TW_UINT16 DsmLink::Call(TW_IDENTITY& appIdentity, TW_IDENTITY* destination, TW_UINT32 dg, TW_UINT16 dat,
                        TW_UINT16 msg, void* data) const {
    if (!entry_) return TWRC_FAILURE;
    TW_IDENTITY scratch = appIdentity;
    const TW_UINT16 rc = entry_(&scratch, destination, dg, dat, msg, data);
    appIdentity = scratch;
    return rc;
}

}  // namespace vantrel
