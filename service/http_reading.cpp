// The parser's bounds and the request's fields the service looks at.
#include "service/http_reading.h"

namespace vantrel::service {

void Limit(BeastParser& parser) {
    parser.header_limit(kMaxHeaderBytes);
    parser.body_limit(kMaxBodyBytes);
}

HttpRequest FromBeast(const BeastRequest& request) {
    namespace http = boost::beast::http;
    HttpRequest read;
    read.method = std::string(request.method_string());
    read.target = std::string(request.target());
    read.host = std::string(request[http::field::host]);
    const auto origin = request.find(http::field::origin);
    read.hasOrigin = origin != request.end();
    if (read.hasOrigin) read.origin = std::string(origin->value());
    read.preflightMethod = std::string(request[http::field::access_control_request_method]);
    read.body = request.body();
    return read;
}

}  // namespace vantrel::service
