// The scan job: settings, batch options, the batch with a report per stored page, the files finished.
#include "engine/scan_job.h"

#include "imaging/files/output_naming.h"

#include "engine/consumer_sink.h"
#include "engine/settings.h"
#include "engine/source_cleanup.h"

#include <algorithm>

namespace vantrel::engine {

namespace {

// The files, telling the job's callback about each page once they have stored it.
class ReportingFiles final : public imaging::PageConsumer {
public:
    ReportingFiles(imaging::PageConsumer& files, const ScanJob& job) : files_(files), job_(job) {}

    bool Take(const imaging::PageImage& page) override {
        const std::size_t before = files_.Files().size();
        return Report(files_.Take(page), page, before);
    }
    bool StoresCoded(imaging::PageCoding coding, imaging::PixelFormat format) const override {
        return files_.StoresCoded(coding, format);
    }
    bool TakeCoded(const imaging::CodedPage& page) override {
        const std::size_t before = files_.Files().size();
        return Report(files_.TakeCoded(page), {page.width, page.height, page.format, 0, page.xDpi, page.yDpi, {}}, before);
    }
    bool Finish() override { return files_.Finish(); }
    const std::wstring& Error() const override { return files_.Error(); }
    const std::vector<imaging::StoredFile>& Files() const override { return files_.Files(); }

private:
    bool Report(bool stored, const imaging::PageImage& page, std::size_t before) {
        if (!stored) return false;
        ++pages_;
        // A page file is complete at once; a PDF or TIFF collects its pages under the target's name.
        if (job_.pageStored) job_.pageStored(pages_, files_.Files().size() > before ? files_.Files().back().path : job_.target, page);
        return true;
    }

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
    if (!job.target.empty()) result.recovered = imaging::RecoverInterruptedScans(imaging::FolderOf(job.target));
    const SourceRef source = session.Source();
    result.refusal = ApplySettings(source, job.settings, job.feederOff);
    if (result.refusal) return result;
    if (job.refuseEmptyFeeder && job.settings.feeder.value_or(false) && FeederLoaded(source) == false) {
        result.refusal = Failure{L"CAP_FEEDERLOADED", std::nullopt,
                                 L"The document feeder is empty (CAP_FEEDERLOADED is FALSE): load the pages and scan again."};
        return result;
    }

    // The steps the source takes are not done again here.
    imaging::cleanup::CleanupOptions cleanup = job.cleanup;
    result.refusal = AgreeSourceCleanup(source, cleanup);
    if (result.refusal) return result;

    if (job.batchStarting) job.batchStarting();
    // Cleaned first, so the pages dropped as blank are never reported as stored.
    ReportingFiles reporting(files, job);
    imaging::cleanup::CleaningConsumer cleaning(reporting, cleanup);
    ConsumerSink sink(source.link, cleaning);
    BatchOptions options = OptionsFor(job, session);
    // The clean-up changes pages, so with any step asked for the source sends raw pixels.
    if (job.mode != TransferMode::Native) options.compression = AgreeCompression(source, job.compression, cleaning);
    result.batch = session.Scan(options, sink, job.closeSourceAfterBatch);
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
