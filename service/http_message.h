// A request and a response as the service's logic sees them, apart from the HTTP library that
// reads and writes them, so the logic builds and is tested natively.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace vantrel::service {

struct HttpRequest {
    std::string method;  // as sent: "GET", "POST", ...
    std::string target;  // the path with its query
    std::string host;    // the Host header; empty when absent
    std::string origin;  // the Origin header; empty when absent (not a browser's request)
    bool hasOrigin = false;
    std::string preflightMethod;  // Access-Control-Request-Method
    std::string body;
};

struct HttpResponse {
    int status = 200;
    std::vector<std::pair<std::string, std::string>> headers;
    std::string body;  // shared with a page's bytes when it carries one
    std::string contentType;

    const std::string* Header(const std::string& name) const {
        for (const auto& [key, value] : headers)
            if (key == name) return &value;
        return nullptr;
    }
};

// A plain-text answer for the statuses the service gives with a reason.
inline HttpResponse TextResponse(int status, std::string text) {
    HttpResponse response;
    response.status = status;
    response.contentType = "text/plain; charset=utf-8";
    response.body = std::move(text);
    return response;
}

// The bounds every request must keep, checked by the reader before anything else sees it.
inline constexpr std::uint32_t kMaxHeaderBytes = 8 * 1024;
inline constexpr std::uint64_t kMaxBodyBytes = 64 * 1024;

}  // namespace vantrel::service
