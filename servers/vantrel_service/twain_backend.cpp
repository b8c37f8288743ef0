// Jobs on the engine: settings from the eSCL request, pages coded into the queue as they come,
// a full queue waited out with the window's messages flowing, the source closed at the end.
#include "servers/vantrel_service/twain_backend.h"

#include "engine/capability_client.h"
#include "engine/scan_job.h"
#include "engine/settings.h"
#include "service/document_encoding.h"
#include "service/page_encoding.h"
#include "twain/twain_records.h"
#include "win32/utf8_text.h"

#include <cmath>
#include <cwctype>
#include <exception>

namespace vantrel::service {

std::string Utf8(std::wstring_view text) {
    if (text.empty()) return {};
    const int size = static_cast<int>(text.size());
    const int bytes = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(bytes > 0 ? bytes : 0), '\0');
    if (bytes > 0) ::WideCharToMultiByte(CP_UTF8, 0, text.data(), size, utf8.data(), bytes, nullptr, nullptr);
    return utf8;
}

namespace {

engine::ColorMode EngineMode(ColorModeName mode) {
    switch (mode) {
        case ColorModeName::BlackAndWhite1: return engine::ColorMode::BlackWhite;
        case ColorModeName::Grayscale8: return engine::ColorMode::Gray;
        case ColorModeName::Rgb24: return engine::ColorMode::Color;
    }
    return engine::ColorMode::Color;
}

bool SameName(std::wstring_view a, std::wstring_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](wchar_t x, wchar_t y) { return std::towlower(x) == std::towlower(y); });
}

}  // namespace

// The job's pages coded and queued; a full queue holds the batch here, between two transfers,
// until a client takes a page or the job is cancelled.
class TwainBackend::QueueingPages final : public imaging::PageConsumer {
public:
    QueueingPages(TwainBackend& backend, std::string id, std::string format, int quality, const imaging::PdfDocument& document)
        : backend_(backend), id_(std::move(id)), format_(std::move(format)), quality_(quality) {
        if (DocumentEncoder::Gathers(format_)) document_.emplace(format_, quality_, document, UtcNow());
    }

    bool Take(const imaging::PageImage& page) override {
        if (document_) return document_->Add(page) || Refuse();
        auto encoded = EncodePage(page, format_, quality_);
        return encoded ? Queue(*encoded) : Refuse();
    }
    // A document is queued whole once the batch has ended; nothing waits for it before. A batch
    // without a page leaves no document.
    bool Finish() override {
        if (!document_ || document_->Pages() == 0) return true;
        auto whole = document_->Finish(UtcNow());
        return whole ? Queue(*whole) : Refuse();
    }
    const std::wstring& Error() const override { return error_; }
    const std::vector<imaging::StoredFile>& Files() const override { return files_; }

private:
    static imaging::PdfDate UtcNow() {
        SYSTEMTIME t{};
        ::GetSystemTime(&t);
        return imaging::PdfDate{t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond, 0};
    }
    bool Refuse() {
        error_ = L"The page could not be coded as " + Widen(format_) + L".";
        return false;
    }
    bool Queue(EncodedPage& encoded) {
        for (;;) {
            const JobTable::Push pushed = backend_.jobs_.TryPush(id_, encoded, Clock::now());
            if (pushed == JobTable::Push::Taken) return true;
            // Cancelled (by a client or the idle check), or the program is ending: the batch
            // ends at its next message, with MSG_RESET for the pages still pending.
            if (pushed == JobTable::Push::Gone || !backend_.window_.WaitPumping(backend_.room_.get())) {
                backend_.session_.Stop();
                return true;
            }
        }
    }
    TwainBackend& backend_;
    std::string id_;
    std::string format_;
    int quality_;
    std::wstring error_;
    std::vector<imaging::StoredFile> files_;
    std::optional<DocumentEncoder> document_;
};

TwainBackend::TwainBackend(TwainWindow& window, engine::Session& session, JobTable& jobs, const ServiceArguments& arguments)
    : window_(window), session_(session), jobs_(jobs), arguments_(arguments), room_(::CreateEventW(nullptr, FALSE, FALSE, nullptr)) {}

AdfState TwainBackend::ReadAdf(const engine::BatchResult* batch) {
    if (batch && batch->condition == twain::TWCC_PAPERJAM) return AdfState::Jam;
    if (batch && batch->condition == twain::TWCC_PAPERDOUBLEFEED) return AdfState::DoubleFeed;
    const std::optional<bool> loaded = engine::FeederLoaded(session_.Source());
    if (!loaded) return AdfState::None;
    return *loaded ? AdfState::Loaded : AdfState::Empty;
}

std::vector<SourceProfile> TwainBackend::ReadProfiles(std::wstring& error) {
    std::vector<engine::SourceInfo> offered;
    const auto chosen = [&](const engine::SourceInfo& info) {
        if (arguments_.sources.empty()) return true;
        for (const std::string& name : arguments_.sources)
            if (SameName(Widen(name), info.productName)) return true;
        return false;
    };
    const auto fallback = session_.DefaultSource();
    if (fallback && chosen(*fallback)) offered.push_back(*fallback);
    for (const engine::SourceInfo& info : session_.Sources())
        if (chosen(info) && !(fallback && info.productName == fallback->productName)) offered.push_back(info);

    for (const engine::SourceInfo& info : offered) {
        AdfState adf = AdfState::None;
        std::optional<SourceProfile> profile = ReadProfile(info.productName, info.manufacturer, error, adf);
        if (!profile) continue;
        profiles_.push_back(std::move(*profile));
        names_.push_back(info.productName);
        manufacturers_.push_back(info.manufacturer);
        adf_.push_back(adf);
    }
    if (profiles_.empty() && error.empty()) error = L"No TWAIN source is installed, or none of those named with --source.";
    return profiles_;
}

std::optional<SourceProfile> TwainBackend::ReadProfile(const std::wstring& name, const std::wstring& manufacturer, std::wstring& error, AdfState& adf) {
    if (const auto failed = session_.OpenSource(name)) {
        error += L"skipped: " + failed->message + L"\n";
        return std::nullopt;
    }
    CapabilityAnswers answers;
    for (std::uint16_t number : ProfileCapabilities()) {
        engine::CapabilityReply reply = engine::QueryCapability(session_.Source(), number, twain::MSG_GET);
        if (reply.ok() && reply.container) answers.emplace(number, std::move(*reply.container));
    }
    SourceProfile profile = ProfileFrom(Utf8(name), Utf8(manufacturer), answers);
    adf = profile.feeder ? ReadAdf(nullptr) : AdfState::None;
    session_.CloseSource();
    return profile;
}

std::optional<SourceProfile> TwainBackend::Reread(std::size_t source) {
    auto told = std::make_shared<std::promise<std::optional<SourceProfile>>>();
    std::future<std::optional<SourceProfile>> answer = told->get_future();
    window_.Post([this, source, told] {
        // A job's batch pumps messages while it waits: the session is its own until it ends.
        if (inJob_ || source >= names_.size()) return told->set_value(std::nullopt);
        std::wstring ignored;
        AdfState adf = AdfState::None;
        std::optional<SourceProfile> profile = ReadProfile(names_[source], manufacturers_[source], ignored, adf);
        if (profile) {
            std::lock_guard lock(adfMutex_);
            adf_[source] = adf;
        }
        told->set_value(std::move(profile));
    });
    return answer.get();
}

std::optional<StartRefusal> TwainBackend::Start(const std::string& jobId, std::size_t source, const ScanRequest& request) {
    // Shared: the window's thread still holds the promise while it wakes this thread, which then
    // returns and would otherwise free it under the setter.
    auto started = std::make_shared<std::promise<std::optional<StartRefusal>>>();
    std::future<std::optional<StartRefusal>> told = started->get_future();
    window_.Post([this, jobId, source, request, started] { Run(jobId, source, request, *started); });
    return told.get();
}

void TwainBackend::Run(const std::string& jobId, std::size_t source, const ScanRequest& request,
                      std::promise<std::optional<StartRefusal>>& started) {
    bool told = false;
    // The waiting client hears once; after that the promise is gone with its frame.
    const auto tell = [&](std::optional<StartRefusal> refusal) {
        if (told) return;
        told = true;
        started.set_value(std::move(refusal));
    };
    const auto refuse = [&](std::string reason) { tell(StartRefusal{std::move(reason), {}, {}}); };
    inJob_ = true;
    struct Leaving {
        bool& flag;
        ~Leaving() { flag = false; }
    } leaving{inJob_};
    try {
        if (jobs_.Cancelled(jobId)) return refuse("The job was cancelled before it began.");
        const auto paper = request.paperSize.empty() ? std::nullopt : engine::FindPaperSize(request.paperSize);
        if (!request.paperSize.empty() && !paper)
            return tell(StartRefusal{"The paper size \"" + request.paperSize + "\" is not known (A4, Letter, Legal, ...).", {}, "paperSize"});
        if (const auto failed = session_.OpenSource(names_[source]))
            return tell(StartRefusal{Utf8(failed->message), failed->condition, Utf8(failed->what)});

        engine::ScanJob job;
        job.settings.feeder = request.feeder;
        if (request.feeder) job.settings.duplex = request.duplex;
        if (request.colorMode) job.settings.colorMode = EngineMode(*request.colorMode);
        if (request.resolution) job.settings.resolution = *request.resolution;
        job.settings.paperSize = paper;
        if (request.pages) job.maxPages = *request.pages;
        if (const auto& r = request.region) {
            // In inches, on FIX32's 1/65536 steps, so the value read back is the value set.
            const auto inches = [](int hundredths) { return std::round(hundredths / 300.0 * 65536) / 65536; };
            const capability::Frame frame{inches(r->x), inches(r->y), inches(r->x + r->width), inches(r->y + r->height)};
            job.settings.capabilities.emplace_back(twain::ICAP_FRAMES, capability::OneValue{capability::ItemType::Frame, frame});
        }
        for (const auto& [number, value] : request.capabilities) job.settings.SetCapability(number, value);
        job.cleanup = request.cleanup;
        job.feederOff = engine::FeederOff::OnlyWhenEnabled;
        job.refuseEmptyFeeder = true;
        if (arguments_.pageTimeoutSeconds) job.pageTimeout = std::chrono::seconds(*arguments_.pageTimeoutSeconds);
        job.batchStarting = [&] {
            jobs_.Start(jobId);
            tell(std::nullopt);
        };
        running_ = jobId;
        QueueingPages pages(*this, jobId, request.format, request.jpegQuality.value_or(arguments_.jpegQuality), request.document);
        const engine::ScanJobResult result = engine::RunScanJob(session_, job, pages);
        running_.clear();
        const engine::BatchEnd end = result.batch.end;
        const bool complete = !result.refusal && (end == engine::BatchEnd::Done || end == engine::BatchEnd::LimitReached);
        const std::string reason = Utf8(result.refusal ? result.refusal->message : result.batch.reason);
        const std::uint16_t condition = result.refusal ? result.refusal->condition.value_or(0) : result.batch.condition;
        const AdfState adf = ReadAdf(&result.batch);
        {
            std::lock_guard lock(adfMutex_);
            adf_[source] = adf;
        }
        // Closed before the job is over: a client that sees the service idle finds the source closed.
        session_.CloseSource();
        if (imaging::cleanup::AnyStep(request.cleanup)) jobs_.Report(jobId, result.pages);
        jobs_.Finish(jobId, complete ? JobState::Completed : JobState::Aborted, reason, condition);
        if (result.refusal) tell(StartRefusal{reason, result.refusal->condition, Utf8(result.refusal->what)});
        refuse("The scan ended before it began.");
    } catch (const std::exception&) {
        running_.clear();
        session_.CloseSource();
        jobs_.Finish(jobId, JobState::Aborted, "Out of memory.", 0);
        refuse("Out of memory.");
    }
}

void TwainBackend::Cancel(const std::string& jobId) {
    window_.Post([this, jobId] {
        if (running_ == jobId) session_.Stop();
    });
}

void TwainBackend::CancelIdle() {
    const auto idle = std::chrono::seconds(arguments_.idleSeconds);
    for (const std::string& id : jobs_.Idle(Clock::now(), idle)) {
        jobs_.Cancel(id);
        if (running_ == id) session_.Stop();
    }
}

AdfState TwainBackend::Adf(std::size_t source) {
    std::lock_guard lock(adfMutex_);
    return source < adf_.size() ? adf_[source] : AdfState::None;
}

}  // namespace vantrel::service
