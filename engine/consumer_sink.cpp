// Converting each transferred page for the consumer, with the consumer's own words when it fails.
#include "engine/consumer_sink.h"

#include "imaging/bmp/dib_page.h"

namespace vantrel::engine {

bool ConsumerSink::TakeNative(DsmBlock& dib) {
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
    return TakePage(page->View());
}

bool ConsumerSink::TakePage(const imaging::PageImage& page) {
    if (consumer_.Take(page)) return true;
    failure_ = consumer_.Error();
    return false;
}

bool ConsumerSink::TakeCoded(const imaging::CodedPage& page) {
    if (consumer_.TakeCoded(page)) return true;
    failure_ = consumer_.Error();
    return false;
}

}  // namespace vantrel::engine
