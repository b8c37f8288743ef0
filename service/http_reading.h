// Requests read by Boost.Beast's parser under the service's bounds, and turned into the
// service's own record: one place for the server and the fuzzer.
#pragma once

#include "service/http_message.h"

#include <utility>  // before Asio: GCC 12's C++20 mode needs std::exchange declared first

#include <boost/beast/http.hpp>

namespace vantrel::service {

using BeastRequest = boost::beast::http::request<boost::beast::http::string_body>;
using BeastParser = boost::beast::http::request_parser<boost::beast::http::string_body>;

// Header and body limits on a fresh parser, before any byte is read.
void Limit(BeastParser& parser);

HttpRequest FromBeast(const BeastRequest& request);

}  // namespace vantrel::service
