// listwright-relay: the Relay server. Commands in src/relay/relay_commands.hpp.
#include "platform/platform.hpp"
#include "relay/relay_commands.hpp"

#include <iostream>

int main(int argc, char** argv) {
    lw::platform::prepareConsole();
    std::vector<std::string> args = lw::platform::arguments(argc, argv);
    args.erase(args.begin());
    return lw::relay::runRelayCommand(args, std::cout, std::cerr);
}
