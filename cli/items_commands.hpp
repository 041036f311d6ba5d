#pragma once

#include "cli_context.hpp"

namespace lw::cli {

// group list | add NAME | rename OLD NEW | delete NAME...
int runGroupCommand(CliContext& context, Args& args);
// link add | list | tick | untick | delete | move | export
int runLinkCommand(CliContext& context, Args& args);

} // namespace lw::cli
