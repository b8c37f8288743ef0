// The batch's pages for an image consumer (the image files): native DIBs converted, strips passed on, each with the
// source's colour profile, or sRGB for a colour page without one.
#pragma once

#include "imaging/page_consumer.h"
#include "engine/page_sink.h"

namespace vantrel::engine {

class ConsumerSink final : public PageSink {
public:
    ConsumerSink(const DsmLink& link, imaging::PageConsumer& consumer) : link_(link), consumer_(consumer) {}

    // The DIB is read where it lies, converted to a page, given to the consumer, and freed by the batch.
    bool TakeNative(DsmBlock& dib) override;
    bool TakeNativeWithProfile(DsmBlock& dib, std::span<const std::uint8_t> profile) override;
    bool TakePage(const imaging::PageImage& page) override;
    bool TakeCoded(const imaging::CodedPage& page) override;
    std::wstring Failure() const override { return failure_; }

private:
    const DsmLink& link_;
    imaging::PageConsumer& consumer_;
    std::wstring failure_;
};

}  // namespace vantrel::engine
