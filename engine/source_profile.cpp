// Asking a source for its colour profile and taking the block it hands over.
#include "engine/source_profile.h"

#include "engine/capability_client.h"
#include "imaging/icc_profile.h"

namespace vantrel::engine {

using namespace twain;

void AskForProfiles(const SourceRef& source) {
    const std::optional<std::int32_t> support = QuerySupport(source, ICAP_ICCPROFILE);
    if (support && (*support & TWQC_SET) != 0) SetRawOneValue(source, ICAP_ICCPROFILE, TWTY_UINT16, TWIC_EMBED);
}

std::vector<std::uint8_t> ReadPageProfile(const SourceRef& source) {
    TW_MEMORY memory{};
    if (source.Call(DG_IMAGE, DAT_ICCPROFILE, MSG_GET, &memory) != TWRC_SUCCESS || !memory.TheMem) return {};
    // The source allocated it for us (as a handle, its DSM's where it has memory functions, else GlobalAlloc's, whose
    // fixed blocks are their own pointers); ours to free whatever its flags say.
    const DsmBlock block(source.link, memory.TheMem);
    const DsmBlockView view(source.link, block.get());
    if (!view.locked() || memory.Length > view.bytes().size()) return {};
    const auto profile = view.bytes().first(memory.Length);
    if (imaging::ProfileSpaceOf(profile) == imaging::ProfileSpace::Unusable) return {};
    return {profile.begin(), profile.end()};
}

}  // namespace vantrel::engine
