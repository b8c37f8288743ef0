// The clean-up between a batch and its files: each page cleaned before the files take it, pages found blank left
// out, and a report for every page scanned, kept or dropped.
#pragma once

#include "imaging/cleanup/clean_page.h"
#include "imaging/page_consumer.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vantrel::imaging::cleanup {

struct ScannedPageReport {
    std::uint32_t scanned = 0;  // the page's number in the batch, from 1
    std::uint32_t stored = 0;   // its number among the pages stored, from 1; 0 when dropped
    PageReport cleanup;
};

// "scanned page 2: dropped as blank, ink 0.0000 %, skew -4.61 degrees" or "scanned page 3: stored as page 2, ...";
// the ink only where it was measured.
std::wstring DescribeReport(const ScannedPageReport& report);

class CleaningConsumer final : public PageConsumer {
public:
    CleaningConsumer(PageConsumer& files, const CleanupOptions& options) : files_(files), options_(options) {}

    // Without any step the page goes to the files untouched (no copy).
    bool Take(const PageImage& page) override;
    // A scanner's coded page passes only when no step is asked: the steps need its pixels.
    bool StoresCoded(PageCoding coding, PixelFormat format) const override {
        return !AnyStep(options_) && files_.StoresCoded(coding, format);
    }
    bool TakeCoded(const CodedPage& page) override;
    bool Finish() override { return files_.Finish(); }
    const std::wstring& Error() const override { return error_.empty() ? files_.Error() : error_; }
    const std::vector<StoredFile>& Files() const override { return files_.Files(); }

    const std::vector<ScannedPageReport>& Reports() const { return reports_; }

private:
    // A page that went to the files untouched: reported as stored, nothing measured.
    bool Passed(bool stored);

    PageConsumer& files_;
    CleanupOptions options_;
    std::wstring error_;
    std::vector<ScannedPageReport> reports_;
    std::uint32_t stored_ = 0;
};

}  // namespace vantrel::imaging::cleanup
