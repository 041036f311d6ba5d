// relay-sim --fixtures DIR [--port N] [--fault FAULT]... [--unanswered-port]
// Prints the port it listens on as the first line (with --unanswered-port a second
// line: a port whose connections are never completed), then serves until
// SIGINT/SIGTERM (Ctrl+C on Windows).
#include "platform/platform.hpp"
#include "platform/unanswered_listener.hpp"
#include "relay_sim.hpp"

#include <cstdlib>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

namespace {

int usage() {
    std::cerr
        << "usage: relay-sim --fixtures DIR [--port N] [--fault \"MATCH KIND [ARG [TIMES]]\"]... "
           "[--unanswered-port]\n"
           "  faults: see tools/relay-sim/README.md\n";
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    lw::platform::prepareConsole();
    const std::vector<std::string> args = lw::platform::arguments(argc, argv);
    std::string fixtures;
    int port = 0;
    std::vector<std::string> faults;
    bool unanswered = false;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& arg = args[i];
        bool hasValue = i + 1 < args.size();
        if (arg == "--fixtures" && hasValue)
            fixtures = args[++i];
        else if (arg == "--port" && hasValue)
            port = std::atoi(args[++i].c_str());
        else if (arg == "--fault" && hasValue)
            faults.push_back(args[++i]);
        else if (arg == "--unanswered-port")
            unanswered = true;
        else
            return usage();
    }
    if (fixtures.empty())
        return usage();

    // Before the server's threads start, so that they inherit it.
    lw::platform::holdTerminationRequests();

    relaysim::Server server;
    std::unique_ptr<lw::platform::UnansweredListener> silent;
    try {
        for (const auto& fault : faults)
            server.addFault(fault);
        int listening = server.start(fixtures, port);
        std::cout << listening << std::endl;
        if (unanswered) {
            silent = std::make_unique<lw::platform::UnansweredListener>();
            std::cout << silent->port() << std::endl;
        }
    } catch (const std::exception& e) {
        std::cerr << "relay-sim: " << e.what() << "\n";
        return 1;
    }
    lw::platform::waitForTermination();
    server.stop();
    return 0;
}
