// relay-sim --fixtures DIR [--port N] [--fault SPEC]...
// Prints the port it listens on as the first line, then serves until SIGINT/SIGTERM.
#include "relay_sim.hpp"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

namespace {

int usage() {
    std::cerr
        << "usage: relay-sim --fixtures DIR [--port N] [--fault \"MATCH KIND [ARG [TIMES]]\"]...\n"
           "  faults: see tools/relay-sim/README.md\n";
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    std::string fixtures;
    int port = 0;
    std::vector<std::string> faults;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        bool hasValue = i + 1 < argc;
        if (arg == "--fixtures" && hasValue)
            fixtures = argv[++i];
        else if (arg == "--port" && hasValue)
            port = std::atoi(argv[++i]);
        else if (arg == "--fault" && hasValue)
            faults.push_back(argv[++i]);
        else
            return usage();
    }
    if (fixtures.empty())
        return usage();

    // The server's threads inherit the blocked signals; only sigwait below takes them.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    relaysim::Server server;
    try {
        for (const auto& fault : faults)
            server.addFault(fault);
        int listening = server.start(fixtures, port);
        std::cout << listening << std::endl;
    } catch (const std::exception& e) {
        std::cerr << "relay-sim: " << e.what() << "\n";
        return 1;
    }
    int received = 0;
    sigwait(&signals, &received);
    server.stop();
    return 0;
}
