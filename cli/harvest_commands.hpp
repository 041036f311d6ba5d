#pragma once

#include "cli_context.hpp"

namespace lw::cli {

// harvest --group NAME --shop URL [--keyword TEXT] [--yes]
int runHarvestCommand(CliContext& context, Args& args);

} // namespace lw::cli
