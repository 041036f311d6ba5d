#include "commands.hpp"

namespace lw::cli {

const std::vector<Command>& AllCommands() {
    static const std::vector<Command> commands = {
    };
    return commands;
}

} // namespace lw::cli
