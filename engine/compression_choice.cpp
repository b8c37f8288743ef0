// ICAP_COMPRESSION agreed from the pixel type the source has and what the files can keep as it is.
#include "engine/compression_choice.h"

#include "engine/capability_client.h"
#include "engine/settings.h"

#include <algorithm>

namespace vantrel::engine {

using namespace twain;

namespace {

std::optional<std::int64_t> CurrentNumber(const SourceRef& source, std::uint16_t capability) {
    const CapabilityReply reply = QueryCapability(source, capability, MSG_GETCURRENT);
    if (!reply.ok() || !reply.container) return std::nullopt;
    const auto item = CurrentItem(*reply.container);
    const auto* number = item ? std::get_if<std::int64_t>(&*item) : nullptr;
    return number ? std::optional(*number) : std::nullopt;
}

bool Offers(const SourceRef& source, std::uint16_t capability, std::int64_t value) {
    const CapabilityReply reply = QueryCapability(source, capability, MSG_GET);
    if (!reply.ok() || !reply.container) return false;
    if (const auto* enumeration = std::get_if<capability::Enumeration>(&*reply.container))
        return std::ranges::find(enumeration->items, capability::Item{value}) != enumeration->items.end();
    return CurrentItem(*reply.container) == capability::Item{value};
}

bool Set(const SourceRef& source, std::int64_t value) {
    return !SetAndVerify(source, ICAP_COMPRESSION, capability::OneValue{capability::ItemType::UInt16, value});
}

}  // namespace

std::uint16_t AgreeCompression(const SourceRef& source, Compression wanted, const imaging::PageConsumer& files) {
    const auto pixelType = CurrentNumber(source, ICAP_PIXELTYPE);
    const bool bw = pixelType == TWPT_BW;
    const imaging::PixelFormat format = bw ? imaging::PixelFormat::BlackWhite1
                                        : pixelType == TWPT_GRAY ? imaging::PixelFormat::Gray8
                                                                 : imaging::PixelFormat::Rgb24;
    const imaging::PageCoding coding = bw ? imaging::PageCoding::Group4 : imaging::PageCoding::Jpeg;
    const std::uint16_t value = bw ? TWCP_GROUP4 : TWCP_JPEG;
    if (wanted == Compression::Source && pixelType && files.StoresCoded(coding, format) &&
        Offers(source, ICAP_COMPRESSION, value) && Set(source, value))
        return value;
    // Raw strips are what we take otherwise; a source that cannot say keeps what it has.
    const auto current = CurrentNumber(source, ICAP_COMPRESSION);
    if (current && *current != TWCP_NONE) Set(source, TWCP_NONE);
    return TWCP_NONE;
}

}  // namespace vantrel::engine
