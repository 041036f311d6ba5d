#pragma once

#include "cli_context.hpp"

namespace lw::cli {

// categories download|count
int categoriesCommand(CliContext& context, Args& args);
// props download|count 1|2
int propsCommand(CliContext& context, Args& args);
// mapping list|add|modify|delete|import
int mappingCommand(CliContext& context, Args& args);

} // namespace lw::cli
