// Which resource a request target names: the eSCL resources under /eSCL (the default source) and
// /eSCL/{n} (the n-th source), the JSON API under /api, job ids checked. Anything else, traversal
// attempts included, is none.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vantrel::service {

struct Route {
    enum class Kind {
        None, Capabilities, Status, ScanJobs, Job, NextDocument, ImageInfo,
        ApiSources, ApiScans, ApiScan, ApiNextPage  // /api/sources, /api/scans, /api/scans/{id}, /api/scans/{id}/next
    } kind = Kind::None;
    std::size_t source = 0;  // index into the offered sources
    std::string root;        // "/eSCL" or "/eSCL/2", for the URIs written back
    std::string jobId;
};

// Targets longer than this are refused before they are looked at.
inline constexpr std::size_t kMaxTargetBytes = 512;

Route ParseRoute(std::string_view target, std::size_t sources);

}  // namespace vantrel::service
