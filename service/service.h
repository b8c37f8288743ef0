// The service's answers: access checked first, then the resource the target names, with the
// scanning itself left to a backend on the TWAIN thread.
#pragma once

#include "service/access_policy.h"
#include "service/escl_documents.h"
#include "service/http_message.h"
#include "service/job_table.h"
#include "service/scan_settings_xml.h"
#include "service/source_profile.h"

#include <chrono>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace vantrel::service {

// Why a job did not start: the engine's message, the source's condition code when it gave one,
// and the setting or capability it is about (may be empty).
struct StartRefusal {
    std::string message;
    std::optional<std::uint16_t> condition;
    std::string setting;
};

// What only the thread that owns the TWAIN session can do.
class ScanBackend {
public:
    virtual ~ScanBackend() = default;
    // Starts the job's batch and returns once its settings were taken (nothing) or refused
    // (nothing was scanned).
    virtual std::optional<StartRefusal> Start(const std::string& jobId, std::size_t source, const ScanRequest& request) = 0;
    // Stops the job's batch; the source ends disabled and closed.
    virtual void Cancel(const std::string& jobId) = 0;
    virtual AdfState Adf(std::size_t source) = 0;
    // The source's capabilities read again, for a client that asks for them while no batch runs
    // (the user may have changed the scanner or its driver's settings); nullopt keeps the last.
    virtual std::optional<SourceProfile> Reread(std::size_t source) = 0;
};

struct ServiceOptions {
    AccessPolicy access;
    // How long a request for the next page waits for it before answering 503.
    std::chrono::milliseconds pageWait{2000};
};

class Service {
public:
    Service(std::vector<SourceProfile> profiles, ServiceOptions options, JobTable& jobs, ScanBackend& backend);
    HttpResponse Respond(const HttpRequest& request);

private:
    HttpResponse Answer(const HttpRequest& request);
    // `jobs` is the path the new job's id is appended to for its Location; `json` answers errors in JSON.
    HttpResponse CreateJob(const HttpRequest& request, std::size_t source, ScanSettingsRead read, const std::string& jobs, bool json);
    HttpResponse CancelJob(const std::string& id, bool json);
    HttpResponse NextDocument(const std::string& id, bool json);

    SourceProfile Profile(std::size_t source);
    std::vector<SourceProfile> Profiles();

    std::mutex profilesMutex_;  // the profiles change when read again; their number never does
    std::vector<SourceProfile> profiles_;
    ServiceOptions options_;
    JobTable& jobs_;
    ScanBackend& backend_;
};

}  // namespace vantrel::service
