#pragma once

#include "cli_context.hpp"

namespace lw::cli {

// group list | add NAME | rename OLD NEW | delete NAME...
int RunGroupCommand(CliContext& context, Args& args);
// link add | list | tick | untick | delete | move | export
int RunLinkCommand(CliContext& context, Args& args);

} // namespace lw::cli
