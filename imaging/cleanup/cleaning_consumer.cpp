// Cleaning each page on its way to the files.
#include "imaging/cleanup/cleaning_consumer.h"

#include <cwchar>

namespace vantrel::imaging::cleanup {

std::wstring DescribeReport(const ScannedPageReport& report) {
    std::wstring text = L"scanned page " + std::to_wstring(report.scanned) +
                        (report.stored ? L": stored as page " + std::to_wstring(report.stored) : std::wstring(L": dropped as blank"));
    wchar_t number[64];
    if (report.cleanup.inkPercent >= 0) {
        std::swprintf(number, 64, L", ink %.4f %%", report.cleanup.inkPercent);
        text += number;
    }
    const StepsBy& by = report.cleanup.by;
    if (by.blank == Doer::Source) text += L", blank pages dropped by the source";
    if (by.crop == Doer::Source) text += L", cropped by the source";
    if (by.deskew == Doer::Source) return text + L", deskewed by the source (angle not measured)";
    std::swprintf(number, 64, L", skew %.2f degrees", report.cleanup.skewDegrees);
    return text + number;
}

bool CleaningConsumer::Passed(bool stored) {
    if (!stored) return false;
    PageReport untouched;
    untouched.by = WhoDoes(options_);
    reports_.push_back({static_cast<std::uint32_t>(reports_.size() + 1), ++stored_, untouched});
    return true;
}

bool CleaningConsumer::TakeCoded(const CodedPage& page) { return Passed(files_.TakeCoded(page)); }

bool CleaningConsumer::Take(const PageImage& page) {
    if (!AnyStep(options_)) return Passed(files_.Take(page));
    ScannedPageReport report{static_cast<std::uint32_t>(reports_.size() + 1), 0, {}};
    const auto cleaned = CleanPage(page, options_);
    if (!cleaned) {
        error_ = L"Page " + std::to_wstring(report.scanned) + L" could not be cleaned: it is not a valid image or memory ran out.";
        return false;
    }
    report.cleanup = cleaned->report;
    if (cleaned->page) {
        if (!files_.Take(cleaned->page->View())) return false;
        report.stored = ++stored_;
    }
    reports_.push_back(report);
    return true;
}

}  // namespace vantrel::imaging::cleanup
