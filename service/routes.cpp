// Request targets split into segments and matched exactly: no decoding, so "%2e%2e" is just a
// name that matches nothing.
#include "service/routes.h"

#include "service/job_table.h"

#include <charconv>
#include <vector>

namespace vantrel::service {

namespace {

std::vector<std::string_view> Segments(std::string_view path) {
    std::vector<std::string_view> segments;
    while (!path.empty()) {
        const auto slash = path.find('/');
        segments.push_back(path.substr(0, slash));
        if (slash == std::string_view::npos) break;
        path.remove_prefix(slash + 1);
    }
    return segments;
}

}  // namespace

Route ParseRoute(std::string_view target, std::size_t sources) {
    Route route;
    if (target.size() > kMaxTargetBytes || target.empty() || target.front() != '/') return route;
    target = target.substr(1, target.find('?') == std::string_view::npos ? std::string_view::npos : target.find('?') - 1);
    auto segments = Segments(target);
    // A trailing slash (clients join "/eSCL/" and a name) leaves an empty last segment.
    if (!segments.empty() && segments.back().empty()) segments.pop_back();
    if (segments.size() >= 2 && segments.size() <= 4 && segments[0] == "api") {
        if (segments.size() == 2) route.kind = segments[1] == "sources" ? Route::Kind::ApiSources : segments[1] == "scans" ? Route::Kind::ApiScans : Route::Kind::None;
        if (segments.size() < 3 || segments[1] != "scans") return route;
        route.jobId = std::string(segments[2]);
        if (!IsJobId(route.jobId)) return route;
        if (segments.size() == 3) route.kind = Route::Kind::ApiScan;
        if (segments.size() == 4 && segments[3] == "next") route.kind = Route::Kind::ApiNextPage;
        return route;
    }
    if (segments.empty() || segments.front() != "eSCL") return route;
    std::size_t next = 1;
    route.root = "/eSCL";
    if (segments.size() > 1 && !segments[1].empty() && segments[1].front() >= '1' && segments[1].front() <= '9') {
        std::size_t number = 0;
        const auto [end, error] = std::from_chars(segments[1].data(), segments[1].data() + segments[1].size(), number);
        if (error != std::errc{} || end != segments[1].data() + segments[1].size() || number > sources) return route;
        route.source = number - 1;
        route.root += "/" + std::string(segments[1]);
        next = 2;
    }
    if (sources == 0) return route;
    const std::size_t left = segments.size() - next;
    const auto at = [&](std::size_t i) { return segments[next + i]; };
    Route::Kind kind = Route::Kind::None;
    if (left == 1 && at(0) == "ScannerCapabilities") kind = Route::Kind::Capabilities;
    if (left == 1 && at(0) == "ScannerStatus") kind = Route::Kind::Status;
    if (left == 1 && at(0) == "ScanJobs") kind = Route::Kind::ScanJobs;
    if (left >= 2 && left <= 3 && at(0) == "ScanJobs") {
        route.jobId = std::string(at(1));
        if (!IsJobId(route.jobId)) return route;
        if (left == 2) kind = Route::Kind::Job;
        else if (at(2) == "NextDocument") kind = Route::Kind::NextDocument;
        else if (at(2) == "ScanImageInfo") kind = Route::Kind::ImageInfo;
    }
    route.kind = kind;
    return route;
}

}  // namespace vantrel::service
