// Connections read with the service's bounds: an oversized header gets 431, an oversized body
// 413, a malformed request 400, each then closed. A silent client is dropped after a while.
#include "servers/vantrel_service/http_server.h"

#include "service/http_reading.h"
#include "win32/win32_owners.h"

#include <boost/asio/ip/tcp.hpp>
#include <boost/beast/core.hpp>

namespace vantrel::service {

namespace {

namespace asio = boost::asio;
namespace http = boost::beast::http;
using tcp = asio::ip::tcp;

constexpr int kMaxConnections = 256;
constexpr DWORD kReceiveTimeoutMs = 30000;

void Send(tcp::socket& socket, const HttpResponse& answer, unsigned version, bool keepAlive, boost::beast::error_code& error) {
    http::response<http::string_body> response{static_cast<http::status>(answer.status), version};
    response.set(http::field::server, "Vantrel");
    if (!answer.contentType.empty()) response.set(http::field::content_type, answer.contentType);
    for (const auto& [name, value] : answer.headers) response.insert(name, value);
    response.body() = answer.body;
    response.keep_alive(keepAlive);
    response.prepare_payload();
    http::write(socket, response, error);
}

int StatusFor(const boost::beast::error_code& error) {
    if (error == http::error::header_limit) return 431;
    if (error == http::error::body_limit) return 413;
    return 400;
}

}  // namespace

struct HttpServer::Listener {
    asio::io_context context;
    tcp::acceptor acceptor{context};
};

struct HttpServer::Connection {
    explicit Connection(asio::io_context& context) : socket(context) {}
    tcp::socket socket;
};

struct HttpServer::ThreadStart {
    HttpServer* server;
    std::unique_ptr<Connection> connection;
};

HttpServer::HttpServer(Service& service) : service_(service) {}

HttpServer::~HttpServer() {
    if (!listener_) return;
    boost::system::error_code ignored;
    listener_->acceptor.close(ignored);
    if (acceptor_.joinable()) acceptor_.join();
}

std::string HttpServer::Listen(const std::string& host, int port) {
    listener_ = std::make_unique<Listener>();
    boost::system::error_code error;
    const auto address = asio::ip::make_address(host, error);
    if (error) return "\"" + host + "\" is not an IP address.";
    tcp::acceptor& acceptor = listener_->acceptor;
    const tcp::endpoint endpoint{address, static_cast<unsigned short>(port)};
    acceptor.open(endpoint.protocol(), error);
    // Exclusive, so a second service on the same port fails here instead of sharing it.
    if (!error) ::setsockopt(acceptor.native_handle(), SOL_SOCKET, SO_EXCLUSIVEADDRUSE, "\1\0\0\0", 4);
    if (!error) acceptor.bind(endpoint, error);
    if (!error) acceptor.listen(asio::socket_base::max_listen_connections, error);
    if (error) return "Cannot listen on " + host + ":" + std::to_string(port) + ": " + error.message();
    acceptor_ = std::thread([this] { Accept(); });
    return {};
}

void HttpServer::Accept() {
    for (;;) {
        auto connection = std::make_unique<Connection>(listener_->context);
        boost::system::error_code error;
        listener_->acceptor.accept(connection->socket, error);
        if (error == asio::error::operation_aborted || !listener_->acceptor.is_open()) return;
        if (error) continue;
        // Beyond the bound a connection is closed at once: a flood cannot exhaust the threads.
        if (connections_.fetch_add(1) >= kMaxConnections) {
            connections_.fetch_sub(1);
            continue;
        }
        // Its handle is closed at once; the thread runs on.
        auto start = std::make_unique<ThreadStart>(ThreadStart{this, std::move(connection)});
        UniqueKernelObject thread(::CreateThread(nullptr, 0, &HttpServer::ServeOnThread, start.get(), 0, nullptr));
        if (thread) {
            start.release();  // the thread owns it now
        } else {
            connections_.fetch_sub(1);
        }
    }
}

unsigned long __stdcall HttpServer::ServeOnThread(void* start) {
    std::unique_ptr<ThreadStart> handed(static_cast<ThreadStart*>(start));
    handed->server->Serve(std::move(handed->connection));
    return 0;
}

void HttpServer::Serve(std::unique_ptr<Connection> connection) {
    tcp::socket* socket = &connection->socket;
    const DWORD timeout = kReceiveTimeoutMs;
    ::setsockopt(socket->native_handle(), SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout), sizeof timeout);
    boost::beast::flat_buffer buffer;
    for (;;) {
        BeastParser parser;
        Limit(parser);
        boost::beast::error_code error;
        http::read(*socket, buffer, parser, error);
        if (error == http::error::end_of_stream || error == asio::error::connection_reset || error == asio::error::eof) break;
        if (error) {
            // Bounds and malformed requests are answered once, then the connection is closed.
            if (error.category() == http::make_error_code(http::error::header_limit).category())
                Send(*socket, TextResponse(StatusFor(error), "The request is malformed or too large."), 11, false, error);
            break;
        }
        const BeastRequest& request = parser.get();
        const HttpResponse answer = service_.Respond(FromBeast(request));
        Send(*socket, answer, request.version(), request.keep_alive(), error);
        if (error || !request.keep_alive()) break;
    }
    boost::system::error_code ignored;
    socket->shutdown(tcp::socket::shutdown_both, ignored);
    connections_.fetch_sub(1);
}

}  // namespace vantrel::service
