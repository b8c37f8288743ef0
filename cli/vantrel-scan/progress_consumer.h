// The image files with a progress line per page stored: "page 3: A4, 300 dpi, grey -> scans\doc.pdf".
#pragma once

#include "imaging/page_consumer.h"

#include <string>

namespace vantrel::scan {

class ProgressConsumer final : public imaging::PageConsumer {
public:
    ProgressConsumer(imaging::PageConsumer& files, std::wstring outputPath, bool quiet)
        : files_(files), outputPath_(std::move(outputPath)), quiet_(quiet) {}

    bool Take(const imaging::PageImage& page) override;
    bool Finish() override { return files_.Finish(); }
    const std::wstring& Error() const override { return files_.Error(); }
    const std::vector<imaging::StoredFile>& Files() const override { return files_.Files(); }

private:
    imaging::PageConsumer& files_;
    std::wstring outputPath_;
    bool quiet_;
    std::uint32_t pages_ = 0;
};

}  // namespace vantrel::scan
