// The eSCL resources answered over the job table and the backend.
#include "service/service.h"

#include "service/json_api.h"
#include "service/routes.h"

#include <nlohmann/json.hpp>

namespace vantrel::service {

namespace {

HttpResponse XmlResponse(std::string body) {
    HttpResponse response;
    response.contentType = "text/xml";
    response.body = std::move(body);
    return response;
}

// Plain text for eSCL clients, JSON for the API's.
HttpResponse Problem(int status, const StartRefusal& refusal, bool json) {
    if (!json) return TextResponse(status, refusal.message);
    HttpResponse response;
    response.status = status;
    response.contentType = "application/json";
    response.body = ErrorJson(refusal.message, refusal.condition, refusal.setting);
    return response;
}

HttpResponse Problem(int status, const std::string& text, bool json) { return Problem(status, StartRefusal{text, {}, {}}, json); }

HttpResponse RetryLater(const std::string& text, int seconds, bool json) {
    HttpResponse response = Problem(503, text, json);
    response.headers.emplace_back("Retry-After", std::to_string(seconds));
    return response;
}

HttpResponse JsonResponse(std::string body, int status = 200) {
    HttpResponse response;
    response.status = status;
    response.contentType = "application/json";
    response.body = std::move(body);
    return response;
}

const char* StateName(JobState state) {
    switch (state) {
        case JobState::Pending: return "pending";
        case JobState::Processing: return "scanning";
        case JobState::Completed: return "completed";
        case JobState::Canceled: return "cancelled";
        case JobState::Aborted: return "failed";
    }
    return "failed";
}

}  // namespace

Service::Service(std::vector<SourceProfile> profiles, ServiceOptions options, JobTable& jobs, ScanBackend& backend)
    : profiles_(std::move(profiles)), options_(std::move(options)), jobs_(jobs), backend_(backend) {}

SourceProfile Service::Profile(std::size_t source) {
    std::lock_guard lock(profilesMutex_);
    return profiles_[source];
}

std::vector<SourceProfile> Service::Profiles() {
    std::lock_guard lock(profilesMutex_);
    return profiles_;
}

HttpResponse Service::Respond(const HttpRequest& request) {
    switch (CheckAccess(options_.access, request)) {
        case Access::BadHost: return TextResponse(403, "The Host header does not name this service.");
        case Access::BadOrigin: return TextResponse(403, "The origin " + request.origin + " is not allowed to use this service.");
        case Access::Allowed: break;
    }
    if (request.method == "OPTIONS") return PreflightResponse(request);
    HttpResponse response = Answer(request);
    AddCorsHeaders(request, response);
    return response;
}

HttpResponse Service::Answer(const HttpRequest& request) {
    const Route route = ParseRoute(request.target, profiles_.size());
    using Kind = Route::Kind;
    const std::string& method = request.method;
    const bool get = method == "GET";
    const auto now = Clock::now();
    switch (route.kind) {
        case Kind::None: return TextResponse(404, "No such resource.");
        case Kind::Capabilities:
            if (!get) break;
            if (!jobs_.Busy())
                if (std::optional<SourceProfile> fresh = backend_.Reread(route.source)) {
                    std::lock_guard lock(profilesMutex_);
                    profiles_[route.source] = std::move(*fresh);
                }
            return XmlResponse(ScannerCapabilitiesXml(Profile(route.source), route.root));
        case Kind::Status: {
            if (!get) break;
            std::vector<JobInfo> jobs;
            for (JobInfo& job : jobs_.Jobs(now))
                if (job.source == route.source) jobs.push_back(std::move(job));
            const bool processing = jobs_.Busy();
            return XmlResponse(ScannerStatusXml(processing, backend_.Adf(route.source), jobs, route.root));
        }
        case Kind::ScanJobs:
            if (method != "POST") break;
            return CreateJob(request, route.source, ReadScanSettings(request.body, Profile(route.source)), route.root + "/ScanJobs/", false);
        case Kind::Job:
            if (method != "DELETE") break;
            return CancelJob(route.jobId, false);
        case Kind::NextDocument:
            if (!get) break;
            return NextDocument(route.jobId, false);
        case Kind::ApiSources:
            if (!get) break;
            return JsonResponse(SourcesJson(Profiles()));
        case Kind::ApiScans: {
            if (method != "POST") break;
            std::size_t source = 0;
            ScanSettingsRead read = ReadJsonScan(request.body, Profiles(), source);
            return CreateJob(request, source, std::move(read), "/api/scans/", true);
        }
        case Kind::ApiScan: {
            if (method == "DELETE") return CancelJob(route.jobId, true);
            if (!get) break;
            const auto job = jobs_.Find(route.jobId, now);
            if (!job) return Problem(404, "No such scan.", true);
            nlohmann::json status{{"id", job->id}, {"state", StateName(job->state)}, {"pages", job->pagesScanned},
                                  {"error", job->reason},
                                  {"condition", job->condition ? nlohmann::json(job->condition) : nlohmann::json()}};
            if (!job->cleanup.empty()) status["cleanup"] = CleanupReportJson(job->cleanup);
            return JsonResponse(status.dump());
        }
        case Kind::ApiNextPage:
            if (!get) break;
            return NextDocument(route.jobId, true);
        case Kind::ImageInfo: {
            if (!get) break;
            const auto job = jobs_.Find(route.jobId, now);
            if (!job) return TextResponse(404, "No such job.");
            return XmlResponse(ScanImageInfoXml(*job, route.root));
        }
    }
    return TextResponse(405, "The method is not allowed on this resource.");
}

HttpResponse Service::CreateJob(const HttpRequest& request, std::size_t source, ScanSettingsRead read, const std::string& jobs, bool json) {
    if (!read.request) return Problem(read.conflict ? 409 : 400, StartRefusal{read.error, {}, read.setting}, json);
    const auto id = jobs_.Create(source, Clock::now());
    if (!id) return RetryLater("Another scan is running.", 5, json);
    if (const auto refusal = backend_.Start(*id, source, *read.request)) {
        jobs_.Finish(*id, JobState::Aborted, refusal->message, refusal->condition.value_or(0));
        return Problem(400, *refusal, json);
    }
    HttpResponse response = json ? JsonResponse(nlohmann::json{{"id", *id}}.dump(), 201) : HttpResponse{};
    response.status = 201;
    response.headers.emplace_back("Location", "http://" + request.host + jobs + *id);
    return response;
}

HttpResponse Service::CancelJob(const std::string& id, bool json) {
    if (!jobs_.Cancel(id)) return Problem(404, "No such job.", json);
    backend_.Cancel(id);
    return json ? JsonResponse("{}") : TextResponse(200, "Cancelled.");
}

HttpResponse Service::NextDocument(const std::string& id, bool json) {
    jobs_.AwaitPage(id, options_.pageWait);
    JobTable::Next next = jobs_.Pop(id, Clock::now());
    switch (next.kind) {
        case JobTable::Next::Kind::Unknown: return Problem(404, "No such job.", json);
        case JobTable::Next::Kind::Done: return Problem(404, "The job has no more pages.", json);
        case JobTable::Next::Kind::Waiting: return RetryLater("The scanner is still feeding the page.", 1, json);
        case JobTable::Next::Kind::Page: break;
    }
    HttpResponse response;
    response.contentType = next.page.contentType;
    response.body = std::move(next.page.bytes);
    return response;
}

}  // namespace vantrel::service
