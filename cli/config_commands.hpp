#pragma once

#include "cli_context.hpp"

namespace lw::cli {

// config show | set KEY VALUE | test
int runConfigCommand(CliContext& context, Args& args);

} // namespace lw::cli
