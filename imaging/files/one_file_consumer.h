// What the multi-page consumers share: one file for the batch, opened at the first page, moved into place at Finish.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "imaging/files/file_sink.h"
#include "imaging/page_consumer.h"

namespace vantrel::imaging {

class OneFileConsumer : public PageConsumer {
public:
    bool Take(const PageImage& page) final;
    bool TakeCoded(const CodedPage& page) final;
    bool Finish() final;
    const std::wstring& Error() const final { return error_; }
    const std::vector<StoredFile>& Files() const final { return files_; }

protected:
    explicit OneFileConsumer(std::wstring_view path) : path_(path) {}
    // The format's writer, made on the first page around the sink that lives as long as the consumer.
    virtual void Start(ByteSink& sink) = 0;
    // Appends a page; on failure the cause (without the path) and whether the file is still usable.
    virtual bool Add(const PageImage& page, std::wstring& cause, bool& fileBroken) = 0;
    // Appends a coded page as it is (only what the format's StoresCoded accepts); as Add otherwise.
    virtual bool AddCoded(const CodedPage& page, std::wstring& cause, bool& fileBroken) = 0;
    // Ends the file after the last page.
    virtual bool Complete(std::wstring& cause) = 0;
    virtual std::uint32_t Pages() const = 0;

private:
    bool Fail(std::wstring error);
    // Opens the file at the first page and appends one page by `add`, keeping the first cause of a broken file.
    template <typename AddPage> bool Append(AddPage add);

    std::wstring path_;
    std::unique_ptr<FileSink> sink_;
    bool broken_ = false;
    bool finished_ = false;
    std::wstring error_;
    std::vector<StoredFile> files_;
};

}  // namespace vantrel::imaging
