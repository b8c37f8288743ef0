// HTTP for the service: Boost.Beast on threads of its own, one per connection (a bounded number),
// each request answered by the service. Nothing here touches TWAIN.
#pragma once

#include "service/service.h"

#include <atomic>
#include <memory>
#include <string>
#include <thread>

namespace vantrel::service {

class HttpServer {
public:
    explicit HttpServer(Service& service);
    HttpServer(const HttpServer&) = delete;
    HttpServer& operator=(const HttpServer&) = delete;
    ~HttpServer();

    // Binds and starts accepting; empty on success, else why it could not listen.
    std::string Listen(const std::string& host, int port);

private:
    struct Listener;
    struct Connection;
    struct ThreadStart;
    void Accept();
    // Each connection on a Win32 thread of its own: winpthreads' detached std::thread was seen to
    // start with a null state under Wine when many connections came at once.
    static unsigned long __stdcall ServeOnThread(void* start);
    void Serve(std::unique_ptr<Connection> connection);

    Service& service_;
    std::unique_ptr<Listener> listener_;
    std::thread acceptor_;
    std::atomic<int> connections_{0};
};

}  // namespace vantrel::service
