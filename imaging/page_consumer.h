// Where a batch's pages go, one at a time as they arrive: image files, a test's recorder, ...
#pragma once

#include "imaging/coded_page.h"
#include "imaging/page_image.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vantrel::imaging {

// A file a consumer completed, for the caller's report.
struct StoredFile {
    std::wstring path;
    std::uint64_t bytes = 0;
    std::uint32_t pages = 0;
};

class PageConsumer {
public:
    virtual ~PageConsumer() = default;
    // Stores one page; the view is valid only during the call, so nothing keeps it. False when it
    // could not be stored: Error() then says why, and the caller stops the batch.
    virtual bool Take(const PageImage& page) = 0;
    // Whether a page of `format` coded as `coding` can be stored as its bytes are, without decoding: the engine
    // then lets the scanner code it. None by default.
    virtual bool StoresCoded(PageCoding coding, PixelFormat format) const {
        (void)coding;
        (void)format;
        return false;
    }
    // Stores a coded page as it is (called only for what StoresCoded accepts, with bytes already checked to decode
    // to the page); as Take otherwise.
    virtual bool TakeCoded(const CodedPage& page) {
        (void)page;
        return false;
    }
    // Called once, after the last page or after the batch stopped early: completes what the pages
    // taken so far make (a 6-page PDF after a jam at page 7). With no page taken nothing is written
    // and an existing file of the same name stays. False with Error() when it could not complete.
    // A consumer destroyed without Finish leaves nothing of a file it had not completed.
    virtual bool Finish() = 0;
    // What went wrong, naming the path and the cause; empty while nothing did.
    virtual const std::wstring& Error() const = 0;
    // The files completed so far, in the order they were completed.
    virtual const std::vector<StoredFile>& Files() const = 0;
};

}  // namespace vantrel::imaging
