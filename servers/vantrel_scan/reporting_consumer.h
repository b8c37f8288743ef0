// A page consumer in front of the image files that tells someone about each page once it is stored.
#pragma once

#include "imaging/page_consumer.h"

#include <functional>
#include <string>

namespace vantrel::scan {

class ReportingConsumer final : public imaging::PageConsumer {
public:
    // `stored(page, path)`: the page's number from 1 and the file it went into (for a multi-page
    // file, the target it will be completed as).
    using Report = std::function<void(long page, const std::wstring& path)>;
    ReportingConsumer(imaging::PageConsumer& files, std::wstring target, Report stored)
        : files_(files), target_(std::move(target)), stored_(std::move(stored)) {}

    bool Take(const imaging::PageImage& page) override {
        const std::size_t before = files_.Files().size();
        if (!files_.Take(page)) return false;
        ++pages_;
        stored_(pages_, files_.Files().size() > before ? files_.Files().back().path : target_);
        return true;
    }
    bool Finish() override { return files_.Finish(); }
    const std::wstring& Error() const override { return files_.Error(); }
    const std::vector<imaging::StoredFile>& Files() const override { return files_.Files(); }

private:
    imaging::PageConsumer& files_;
    std::wstring target_;
    Report stored_;
    long pages_ = 0;
};

}  // namespace vantrel::scan
