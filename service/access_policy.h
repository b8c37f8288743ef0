// Who may use the service: the Host header must name the listening address (no DNS rebinding),
// and a browser's request (with Origin) must come from an origin on the allow-list.
#pragma once

#include "service/http_message.h"

#include <string>
#include <vector>

namespace vantrel::service {

struct AccessPolicy {
    std::string listenHost = "127.0.0.1";
    int port = 0;
    std::vector<std::string> allowedOrigins;  // "https://app.example.com:8443", compared exactly
};

enum class Access { Allowed, BadHost, BadOrigin };

Access CheckAccess(const AccessPolicy& policy, const HttpRequest& request);

// An address that only this machine reaches.
bool IsLoopback(const std::string& host);

// The CORS headers for an allowed browser request; nothing for one without Origin.
void AddCorsHeaders(const HttpRequest& request, HttpResponse& response);

// The answer to a preflight (OPTIONS) from an allowed origin, Private Network Access included.
HttpResponse PreflightResponse(const HttpRequest& request);

}  // namespace vantrel::service
