#include "commands.hpp"

#include "catalog_commands.hpp"

namespace lw::cli {

const std::vector<Command>& AllCommands() {
    static const std::vector<Command> commands = {
        {"categories", "categories download|count", true, CategoriesCommand},
        {"props", "props download|count 1|2", true, PropsCommand},
        {"mapping", "mapping list|add|modify|delete|import ...", true, MappingCommand},
    };
    return commands;
}

} // namespace lw::cli
