// Host and Origin checks, and the CORS headers for the origins allowed.
#include "service/access_policy.h"

#include <algorithm>
#include <charconv>

namespace vantrel::service {

namespace {

// Host header "name:port", "name", "[v6]:port" split into the name and the port (0 when absent).
bool SplitHost(const std::string& host, std::string& name, int& port) {
    std::string::size_type colon = host.rfind(':');
    if (!host.empty() && host.front() == '[') {
        const auto close = host.find(']');
        if (close == std::string::npos) return false;
        name = host.substr(0, close + 1);
        colon = close + 1 < host.size() ? close + 1 : std::string::npos;
        if (colon != std::string::npos && host[colon] != ':') return false;
    } else {
        name = host.substr(0, colon);
    }
    port = 0;
    if (colon == std::string::npos) return !name.empty();
    const char* first = host.data() + colon + 1;
    const char* last = host.data() + host.size();
    const auto [end, error] = std::from_chars(first, last, port);
    return !name.empty() && error == std::errc{} && end == last && port > 0 && port < 65536;
}

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

}  // namespace

bool IsLoopback(const std::string& host) { return host.rfind("127.", 0) == 0 || host == "::1" || host == "[::1]" || Lower(host) == "localhost"; }

Access CheckAccess(const AccessPolicy& policy, const HttpRequest& request) {
    std::string name;
    int port = 0;
    if (!SplitHost(request.host, name, port)) return Access::BadHost;
    name = Lower(name);
    // Listening on every address is an explicit choice: then any name the machine is reached by.
    const bool known = policy.listenHost == "0.0.0.0" || name == Lower(policy.listenHost) || name == "localhost";
    if (!known || (port != 0 && port != policy.port) || (port == 0 && policy.port != 80)) return Access::BadHost;
    if (!request.hasOrigin) return Access::Allowed;
    const auto& allowed = policy.allowedOrigins;
    return std::find(allowed.begin(), allowed.end(), request.origin) != allowed.end() ? Access::Allowed : Access::BadOrigin;
}

void AddCorsHeaders(const HttpRequest& request, HttpResponse& response) {
    if (!request.hasOrigin) return;
    response.headers.emplace_back("Access-Control-Allow-Origin", request.origin);
    response.headers.emplace_back("Vary", "Origin");
    response.headers.emplace_back("Access-Control-Expose-Headers", "Location, Retry-After");
}

HttpResponse PreflightResponse(const HttpRequest& request) {
    HttpResponse response;
    response.status = 204;
    AddCorsHeaders(request, response);
    response.headers.emplace_back("Access-Control-Allow-Methods", "GET, POST, DELETE, OPTIONS");
    response.headers.emplace_back("Access-Control-Allow-Headers", "Content-Type");
    // Chrome's Private Network Access: a public page may reach this loopback service only when it says so.
    response.headers.emplace_back("Access-Control-Allow-Private-Network", "true");
    response.headers.emplace_back("Access-Control-Max-Age", "600");
    return response;
}

}  // namespace vantrel::service
