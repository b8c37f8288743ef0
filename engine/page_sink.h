// Where the batch hands each transferred page: a native transfer's DIB, or a page assembled from strips.
#pragma once

#include "engine/dsm_link.h"
#include "imaging/coded_page.h"
#include "imaging/page_image.h"

#include <cstdint>
#include <span>
#include <string>

namespace vantrel::engine {

class PageSink {
public:
    virtual ~PageSink() = default;
    // A packed DIB in a block of the DSM's memory. The sink may take the block (release()), as the
    // clipboard does; otherwise the batch frees it when the call returns.
    virtual bool TakeNative(DsmBlock& dib) = 0;
    // The same with the colour profile the source gave for the page (ICC bytes, valid during the call; empty: none).
    // Sinks that store pages keep it; the others take the DIB alone.
    virtual bool TakeNativeWithProfile(DsmBlock& dib, std::span<const std::uint8_t> profile) {
        (void)profile;
        return TakeNative(dib);
    }
    // A page assembled from a memory transfer, with the source's profile; the view is valid only during the call.
    virtual bool TakePage(const imaging::PageImage& page) = 0;
    // A page the source coded (only when the batch was told a compression), checked to be the page it described.
    virtual bool TakeCoded(const imaging::CodedPage& page) {
        (void)page;
        return false;
    }
    // Why the last Take failed.
    virtual std::wstring Failure() const = 0;
};

}  // namespace vantrel::engine
