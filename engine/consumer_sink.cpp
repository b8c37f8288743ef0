// Converting each transferred page for the consumer, with the consumer's own words when it fails.
#include "engine/consumer_sink.h"

#include "imaging/bmp/dib_page.h"
#include "imaging/icc/standard_profiles.h"

namespace vantrel::engine {

namespace {

// A colour page the source said nothing of is stated as sRGB, the space scanners without colour management deliver.
std::span<const std::uint8_t> ProfileOrSrgb(std::span<const std::uint8_t> profile, imaging::PixelFormat format) {
    if (!profile.empty() || format != imaging::PixelFormat::Rgb24) return profile;
    return imaging::icc::SrgbProfile();
}

}  // namespace

bool ConsumerSink::TakeNative(DsmBlock& dib) { return TakeNativeWithProfile(dib, {}); }

bool ConsumerSink::TakeNativeWithProfile(DsmBlock& dib, std::span<const std::uint8_t> profile) {
    std::optional<imaging::PageBuffer> page;
    {
        DsmBlockView view(link_, dib.get());
        if (!view.locked()) {
            failure_ = L"The source's image could not be read (its memory block could not be locked).";
            return false;
        }
        page = imaging::PageFromDib(view.bytes());
    }
    // The source's block goes back before the consumer encodes: while a page is written only our
    // copy of it is held.
    dib.reset();
    if (!page) {
        failure_ = L"The source delivered an image that is not a valid DIB.";
        return false;
    }
    imaging::PageImage view = page->View();
    view.iccProfile = profile;
    return TakePage(view);
}

bool ConsumerSink::TakePage(const imaging::PageImage& page) {
    imaging::PageImage stated = page;
    stated.iccProfile = ProfileOrSrgb(page.iccProfile, page.format);
    if (consumer_.Take(stated)) return true;
    failure_ = consumer_.Error();
    return false;
}

bool ConsumerSink::TakeCoded(const imaging::CodedPage& page) {
    imaging::CodedPage stated = page;
    stated.iccProfile = ProfileOrSrgb(page.iccProfile, page.format);
    if (consumer_.TakeCoded(stated)) return true;
    failure_ = consumer_.Error();
    return false;
}

}  // namespace vantrel::engine
