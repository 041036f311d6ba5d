#include "commands.hpp"

#include "catalog_commands.hpp"
#include "check_commands.hpp"
#include "config_commands.hpp"
#include "download_commands.hpp"
#include "harvest_commands.hpp"
#include "items_commands.hpp"

namespace lw::cli {

const std::vector<Command>& allCommands() {
    static const std::vector<Command> commands = {
        {"categories", "categories download|count", true, categoriesCommand},
        {"props", "props download|count 1|2", true, propsCommand},
        {"mapping", "mapping list|add|modify|delete|import ...", true, mappingCommand},
        {"group", "group list | add NAME | rename OLD NEW | delete NAME...", true, runGroupCommand},
        {"link",
         "link add --group NAME [--no-autocorrect] [--no-move] LINE...\n  link list [--group "
         "NAME]... [--state "
         "all|downloaded|pending|problems] [--keyword TEXT]\n  link tick|untick ID...|--all\n  "
         "link delete "
         "ID...\n  link move --to NAME ID...\n  link export --out FILE ID...",
         true, runLinkCommand},
        {"download",
         "download [--group NAME]... [--out FILE] [--append|--overwrite|--new] [--page-price] "
         "[--no-local-desc] [--keep-links] [--preferred NAME] [--price-rule RULE] [--keep-going]",
         true, runDownloadCommand},
        {"check", "check PACKAGE.csv [--strict]", false, runCheckCommand},
        {"harvest", "harvest --group NAME --shop URL [--keyword TEXT] [--yes]", true,
         runHarvestCommand},
        {"config", "config show | set KEY VALUE | test", false, runConfigCommand},
    };
    return commands;
}

} // namespace lw::cli
