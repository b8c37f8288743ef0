// The eSCL resources answered over the job table and the backend.
#include "service/service.h"

#include "service/routes.h"

namespace vantrel::service {

namespace {

HttpResponse XmlResponse(std::string body) {
    HttpResponse response;
    response.contentType = "text/xml";
    response.body = std::move(body);
    return response;
}

HttpResponse RetryLater(std::string text, int seconds) {
    HttpResponse response = TextResponse(503, std::move(text));
    response.headers.emplace_back("Retry-After", std::to_string(seconds));
    return response;
}

}  // namespace

Service::Service(std::vector<SourceProfile> profiles, ServiceOptions options, JobTable& jobs, ScanBackend& backend)
    : profiles_(std::move(profiles)), options_(std::move(options)), jobs_(jobs), backend_(backend) {}

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
            return XmlResponse(ScannerCapabilitiesXml(profiles_[route.source], route.root));
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
            return CreateJob(request, route.source, route.root);
        case Kind::Job:
            if (method != "DELETE") break;
            if (!jobs_.Cancel(route.jobId)) return TextResponse(404, "No such job.");
            backend_.Cancel(route.jobId);
            return TextResponse(200, "Cancelled.");
        case Kind::NextDocument:
            if (!get) break;
            return NextDocument(route.jobId);
        case Kind::ImageInfo: {
            if (!get) break;
            const auto job = jobs_.Find(route.jobId, now);
            if (!job) return TextResponse(404, "No such job.");
            return XmlResponse(ScanImageInfoXml(*job, route.root));
        }
    }
    return TextResponse(405, "The method is not allowed on this resource.");
}

HttpResponse Service::CreateJob(const HttpRequest& request, std::size_t source, const std::string& root) {
    const ScanSettingsRead read = ReadScanSettings(request.body, profiles_[source]);
    if (!read.request) return TextResponse(read.conflict ? 409 : 400, read.error);
    const auto id = jobs_.Create(source, Clock::now());
    if (!id) return RetryLater("Another scan is running.", 5);
    const std::string refusal = backend_.Start(*id, source, *read.request);
    if (!refusal.empty()) {
        jobs_.Finish(*id, JobState::Aborted, refusal, 0);
        return TextResponse(400, refusal);
    }
    HttpResponse response;
    response.status = 201;
    response.headers.emplace_back("Location", "http://" + request.host + root + "/ScanJobs/" + *id);
    return response;
}

HttpResponse Service::NextDocument(const std::string& id) {
    jobs_.AwaitPage(id, options_.pageWait);
    JobTable::Next next = jobs_.Pop(id, Clock::now());
    switch (next.kind) {
        case JobTable::Next::Kind::Unknown: return TextResponse(404, "No such job.");
        case JobTable::Next::Kind::Done: return TextResponse(404, "The job has no more pages.");
        case JobTable::Next::Kind::Waiting: return RetryLater("The scanner is still feeding the page.", 1);
        case JobTable::Next::Kind::Page: break;
    }
    HttpResponse response;
    response.contentType = next.page.contentType;
    response.body = std::move(next.page.bytes);
    return response;
}

}  // namespace vantrel::service
