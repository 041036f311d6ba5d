#pragma once

#include "cli_context.hpp"

namespace lw::cli {

// check PACKAGE.csv [--strict]: the problems of an existing package file, per row.
int runCheckCommand(CliContext& context, Args& args);

} // namespace lw::cli
