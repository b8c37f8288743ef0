// Any bytes as a request: read by the server's parser under its bounds, then answered by the
// service, ScanSettings included. Nothing may crash, leak or read out of bounds.
#include "service/http_reading.h"
#include "service/service.h"

#include <cstddef>
#include <cstdint>

namespace {

using namespace vantrel::service;

class Backend final : public ScanBackend {
public:
    std::optional<StartRefusal> Start(const std::string&, std::size_t, const ScanRequest& request) override {
        if (!request.duplex) return std::nullopt;
        return StartRefusal{"refused", 10, "ICAP_XRESOLUTION"};
    }
    void Cancel(const std::string&) override {}
    AdfState Adf(std::size_t) override { return AdfState::Empty; }
    std::optional<SourceProfile> Reread(std::size_t) override { return std::nullopt; }
};

SourceProfile Profile() {
    SourceProfile profile;
    profile.name = "Fuzz";
    profile.feeder = profile.duplex = true;
    profile.colorModes = {ColorModeName::Grayscale8};
    profile.resolutions = {300};
    return profile;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Backend backend;
    static JobTable jobs(2, nullptr);
    static Service service({Profile(), Profile()}, ServiceOptions{{"127.0.0.1", 52970, {"http://a.test"}}, std::chrono::milliseconds(0)},
                           jobs, backend);
    BeastParser parser;
    Limit(parser);
    parser.eager(true);
    boost::beast::error_code error;
    parser.put(boost::asio::buffer(data, size), error);
    if (error || !parser.is_done()) return 0;
    service.Respond(FromBeast(parser.get()));
    // The settings reader alone too, on the body as it came.
    ReadScanSettings(parser.get().body(), Profile());
    // Jobs that were started end, so the next input can start one.
    for (const JobInfo& job : jobs.Jobs(Clock::now())) jobs.Finish(job.id, JobState::Completed, "", 0);
    return 0;
}
