// The service's scanning on the engine: the offered sources' profiles, and each job as the
// engine's one scan job on the TWAIN window's thread, its pages coded into the job's queue.
#pragma once

#include "engine/session.h"
#include "servers/vantrel_service/twain_window.h"
#include "service/service.h"
#include "service/service_arguments.h"
#include "win32/win32_owners.h"

#include <future>
#include <mutex>
#include <string>
#include <vector>

namespace vantrel::service {

class TwainBackend final : public ScanBackend {
public:
    TwainBackend(TwainWindow& window, engine::Session& session, JobTable& jobs, const ServiceArguments& arguments);

    // On the window's thread, before serving: the offered sources (the default first), each
    // opened once to read its capabilities. Empty with `error` set when there is none.
    std::vector<SourceProfile> ReadProfiles(std::wstring& error);
    // Called by the job table when a client took a page or a job was cancelled.
    void RoomMade() { ::SetEvent(room_.get()); }
    // On the window's thread, every second: jobs whose pages nobody fetched are cancelled.
    void CancelIdle();

    std::optional<StartRefusal> Start(const std::string& jobId, std::size_t source, const ScanRequest& request) override;
    void Cancel(const std::string& jobId) override;
    AdfState Adf(std::size_t source) override;
    std::optional<SourceProfile> Reread(std::size_t source) override;

private:
    class QueueingPages;
    void Run(const std::string& jobId, std::size_t source, const ScanRequest& request, std::promise<std::optional<StartRefusal>>& started);
    AdfState ReadAdf(const engine::BatchResult* batch);
    // On the window's thread: the source opened, its profile and feeder's state read, the source closed.
    std::optional<SourceProfile> ReadProfile(const std::wstring& name, const std::wstring& manufacturer, std::wstring& error, AdfState& adf);

    TwainWindow& window_;
    engine::Session& session_;
    JobTable& jobs_;
    const ServiceArguments& arguments_;
    std::vector<std::wstring> names_;
    std::vector<std::wstring> manufacturers_;
    std::vector<SourceProfile> profiles_;
    std::mutex adfMutex_;
    std::vector<AdfState> adf_;  // by source, as last read on the window's thread
    UniqueKernelObject room_;
    std::string running_;  // the window thread's job, empty between batches
    bool inJob_ = false;   // a job holds the session, from before its source opens until it closes
};

std::string Utf8(std::wstring_view text);

}  // namespace vantrel::service
