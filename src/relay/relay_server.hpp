#pragma once

#include "relay/relay_config.hpp"
#include "relay/relay_log.hpp"
#include "relay/relay_service.hpp"

#include <memory>
#include <string>
#include <thread>

namespace httplib {
class Server;
}

namespace lw::relay {

// The Relay's HTTP side: the API endpoint and the look-up endpoint, over a bounded pool
// of threads with limits on every request (body size, read and write time-outs).
class RelayServer {
public:
    RelayServer(RelayService& service, const RelayConfig& config, RelayLog& log);
    ~RelayServer();
    RelayServer(const RelayServer&) = delete;
    RelayServer& operator=(const RelayServer&) = delete;

    // Listens on host:port (port 0: a free one) and serves on a thread of its own.
    // Returns the port, or -1 with the reason in words.
    int start(const std::string& host, int port, std::string& error);
    void stop();
    int port() const { return port_; }

private:
    void addRoutes();

    RelayService& service_;
    const RelayConfig& config_;
    RelayLog& log_;
    std::unique_ptr<httplib::Server> http_;
    std::thread listener_;
    int port_ = -1;
};

// "host:port" split; the port is -1 when there is none or it is not a number.
bool splitListenAddress(const std::string& listen, std::string& host, int& port);

} // namespace lw::relay
