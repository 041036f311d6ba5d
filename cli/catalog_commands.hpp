#pragma once

#include "cli_context.hpp"

namespace lw::cli {

// categories download|count
int CategoriesCommand(CliContext& context, Args& args);
// props download|count 1|2
int PropsCommand(CliContext& context, Args& args);
// mapping list|add|modify|delete|import
int MappingCommand(CliContext& context, Args& args);

} // namespace lw::cli
