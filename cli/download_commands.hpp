#pragma once

#include "cli_context.hpp"

namespace lw::cli {

// download [--group NAME]... [--out FILE] [--append|--overwrite|--new] [--page-price]
//          [--no-local-desc] [--keep-links] [--preferred NAME] [--price-rule RULE]
int runDownloadCommand(CliContext& context, Args& args);

} // namespace lw::cli
