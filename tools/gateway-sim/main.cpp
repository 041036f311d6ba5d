// gateway-sim --fixtures DIR [--port N] [--app-key K] [--app-secret S] [--fault FAULT]...
// Prints the port it listens on as the first line, then serves the TOP router at
// http://127.0.0.1:PORT/router/rest until SIGINT/SIGTERM (Ctrl+C on Windows).
#include "gateway_sim.hpp"
#include "platform/platform.hpp"

#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

namespace {

int usage() {
    std::cerr << "usage: gateway-sim --fixtures DIR [--port N] [--app-key K] [--app-secret S] "
                 "[--fault \"MATCH KIND [ARG [TIMES]]\"]...\n"
                 "  faults: see tools/gateway-sim/README.md\n";
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    lw::platform::prepareConsole();
    const std::vector<std::string> args = lw::platform::arguments(argc, argv);
    std::string fixtures;
    int port = 0;
    gatewaysim::App app;
    std::vector<std::string> faults;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& arg = args[i];
        bool hasValue = i + 1 < args.size();
        if (arg == "--fixtures" && hasValue)
            fixtures = args[++i];
        else if (arg == "--port" && hasValue)
            port = std::atoi(args[++i].c_str());
        else if (arg == "--app-key" && hasValue)
            app.key = args[++i];
        else if (arg == "--app-secret" && hasValue)
            app.secret = args[++i];
        else if (arg == "--fault" && hasValue)
            faults.push_back(args[++i]);
        else
            return usage();
    }
    if (fixtures.empty())
        return usage();

    // Before the server's threads start, so that they inherit it.
    lw::platform::holdTerminationRequests();

    gatewaysim::Server server;
    server.setApp(app);
    try {
        for (const auto& fault : faults)
            server.addFault(fault);
        std::cout << server.start(fixtures, port) << std::endl;
    } catch (const std::exception& e) {
        std::cerr << "gateway-sim: " << e.what() << "\n";
        return 1;
    }
    lw::platform::waitForTermination();
    server.stop();
    return 0;
}
