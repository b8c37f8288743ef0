// The scan job: settings, batch options, the batch with a report per stored page, the files finished.
#include "engine/scan_job.h"

#include "engine/consumer_sink.h"
#include "engine/settings.h"

#include <algorithm>

namespace vantrel::engine {

namespace {

// The files, telling the job's callback about each page once they have stored it.
class ReportingFiles final : public imaging::PageConsumer {
public:
    ReportingFiles(imaging::PageConsumer& files, const ScanJob& job) : files_(files), job_(job) {}

    bool Take(const imaging::PageImage& page) override {
        const std::size_t before = files_.Files().size();
        if (!files_.Take(page)) return false;
        ++pages_;
        // A page file is complete at once; a PDF or TIFF collects its pages under the target's name.
        if (job_.pageStored) job_.pageStored(pages_, files_.Files().size() > before ? files_.Files().back().path : job_.target, page);
        return true;
    }
    bool Finish() override { return files_.Finish(); }
    const std::wstring& Error() const override { return files_.Error(); }
    const std::vector<imaging::StoredFile>& Files() const override { return files_.Files(); }

private:
    imaging::PageConsumer& files_;
    const ScanJob& job_;
    long pages_ = 0;
};

BatchOptions OptionsFor(const ScanJob& job, Session& session) {
    BatchOptions options;
    options.enable.ShowUI = job.showUI ? 1 : 0;
    options.enable.ModalUI = 0;
    options.enable.hParent = static_cast<twain::TW_HANDLE>(reinterpret_cast<std::uintptr_t>(session.owner()));
    options.disable = options.enable;
    options.mode = job.mode;
    const auto timeout = job.pageTimeout.value_or(job.showUI ? std::chrono::milliseconds{0} : kDefaultPageTimeout);
    if (timeout.count() > 0) options.pageTimeout = timeout;
    // Asked after the settings, which may have switched the feeder.
    options.maxPages = job.maxPages ? *job.maxPages : FeederEnabled(session.Source()) ? -1 : 1;
    return options;
}

}  // namespace

ScanJobResult RunScanJob(Session& session, const ScanJob& job, imaging::PageConsumer& files) {
    ScanJobResult result;
    const SourceRef source = session.Source();
    result.refusal = ApplySettings(source, job.settings, job.feederOff);
    if (!result.refusal.empty()) return result;
    if (job.refuseEmptyFeeder && job.settings.feeder.value_or(false) && FeederLoaded(source) == false) {
        result.refusal = L"The document feeder is empty (CAP_FEEDERLOADED is FALSE): load the pages and scan again.";
        return result;
    }

    // Cleaned first, so the pages dropped as blank are never reported as stored.
    ReportingFiles reporting(files, job);
    imaging::cleanup::CleaningConsumer cleaning(reporting, job.cleanup);
    ConsumerSink sink(source.link, cleaning);
    result.batch = session.Scan(OptionsFor(job, session), sink, job.closeSourceAfterBatch);
    result.pages = cleaning.Reports();
    result.finished = files.Finish();
    if (!result.finished) result.filesError = files.Error();
    return result;
}

std::uint32_t ScanJobResult::StoredPages() const {
    std::uint32_t stored = 0;
    for (const auto& page : pages) stored = std::max(stored, page.stored);
    return stored;
}

}  // namespace vantrel::engine
