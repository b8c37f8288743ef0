// Agreeing with the source who compresses the pages, from what the output can keep as it comes.
#pragma once

#include "engine/source_ref.h"
#include "engine/transfer_choice.h"
#include "imaging/page_consumer.h"

#include <cstdint>

namespace vantrel::engine {

// Agrees ICAP_COMPRESSION with the open source for the pixel type it has now: TWCP_JPEG or TWCP_GROUP4 when
// `wanted` is Source, the files store that coding as it is and the source takes it; otherwise TWCP_NONE, which a
// source holding another compression is asked for (raw strips, as any source can send).
std::uint16_t AgreeCompression(const SourceRef& source, Compression wanted, const imaging::PageConsumer& files);

}  // namespace vantrel::engine
