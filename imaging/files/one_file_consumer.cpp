// One file for a batch: opened under its temporary name at the first page, moved into place at Finish.
#include "imaging/files/one_file_consumer.h"

#include "imaging/files/output_naming.h"
#include "imaging/files/page_file_consumers.h"
#include "imaging/g4/group4_decoder.h"

namespace vantrel::imaging {

bool OneFileConsumer::Fail(std::wstring error) {
    error_ = std::move(error);
    return false;
}

bool OneFileConsumer::Take(const PageImage& page) {
    if (!finished_ && !broken_ && !IsWellFormed(page)) return Fail(MalformedPageError(path_));
    return Append([&](std::wstring& cause, bool& fileBroken) { return Add(page, cause, fileBroken); });
}

bool OneFileConsumer::TakeCoded(const CodedPage& page) {
    // A scanner's Group 4 of a halftone page swells past the raw bits: such a page is decoded and stored the way
    // our own pages are, in the smaller of Group 4 and Flate. Any other Group 4 (text) stays as it came.
    const std::uint64_t raw = MinimumStride(page.format, page.width) * page.height;
    if (page.coding == PageCoding::Group4 && page.bytes.size() > raw) {
        if (std::optional<PageBuffer> decoded = DecodeGroup4(page.bytes, page.width, page.height)) {
            decoded->SetResolution(page.xDpi, page.yDpi);
            return Take(decoded->View());
        }
    }
    return Append([&](std::wstring& cause, bool& fileBroken) { return AddCoded(page, cause, fileBroken); });
}

template <typename AddPage>
bool OneFileConsumer::Append(AddPage add) {
    if (finished_) return Fail(FinishedError(path_));
    if (broken_) return false;  // the first cause stays in Error()
    if (!sink_) {
        sink_ = FileSink::Create(path_, error_);
        if (!sink_) return false;
        Start(*sink_);
    }
    std::wstring cause;
    bool fileBroken = false;
    if (add(cause, fileBroken)) {
        // The writer ended the page with the file complete so far; on the disk it is a stored page.
        if (sink_->Checkpoint()) return true;
        fileBroken = true;
    }
    broken_ = fileBroken;
    // A sink failure has the system's reason, which says more than the writer's "refused".
    return Fail(!sink_->Error().empty() ? sink_->Error() : CannotWrite(path_, cause));
}

bool OneFileConsumer::Finish() {
    if (finished_) return error_.empty();
    finished_ = true;
    if (!sink_) return error_.empty();  // no page: nothing written, an existing file stays
    if (broken_ || Pages() == 0) {
        sink_.reset();  // the temporary file goes; the target stays as it was
        return false;
    }
    std::wstring cause;
    if (!Complete(cause)) {
        broken_ = true;
        Fail(!sink_->Error().empty() ? sink_->Error() : CannotWrite(path_, cause));
        sink_.reset();
        return false;
    }
    if (!sink_->Commit()) {
        Fail(sink_->Error());
        sink_.reset();
        return false;
    }
    files_.push_back(StoredFile{path_, sink_->Size(), Pages()});
    return true;
}

}  // namespace vantrel::imaging
