#pragma once

#include "cli_context.hpp"

namespace lw::cli {

// One entry per top-level command word.
struct Command {
    const char* name;
    const char* usage;
    bool needsDatabase;
    int (*run)(CliContext& context, Args& args);
};

// The commands every subsystem adds; see commands.cpp.
const std::vector<Command>& allCommands();

} // namespace lw::cli
