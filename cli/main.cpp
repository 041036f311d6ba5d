// listwright-cli: the headless front end over the same core as the desktop program.
#include "app/workspace.hpp"
#include "commands.hpp"
#include "platform/platform.hpp"
#include "store/database.hpp"
#include "store/text_routines.hpp"

#include <exception>
#include <filesystem>
#include <iostream>

using namespace lw;
using namespace lw::cli;

namespace {

void printHelp() {
    std::cout << "listwright-cli " << programVersion() << "\n"
              << "用法: listwright-cli [--data-dir DIR] [--config FILE] [--yes] 命令 ...\n\n";
    for (const Command& c : allCommands())
        std::cout << "  " << c.usage << "\n";
    std::cout << "\n全局选项:\n"
              << "  --data-dir DIR  数据文件夹 (存放 TBData/TBDataPlover2.db), "
                 "也可用环境变量 LISTWRIGHT_DATA_DIR\n"
              << "  --config FILE   配置文件, 也可用环境变量 LISTWRIGHT_CONFIG\n"
              << "  --yes           对所有询问回答\"是\"\n"
              << "  --version       显示版本\n";
}

} // namespace

int main(int argc, char** argv) {
    platform::prepareConsole();
    std::vector<std::string> words = platform::arguments(argc, argv);
    words.erase(words.begin());
    Args global(words);
    if (global.flag("--version")) {
        std::cout << "listwright-cli " << programVersion() << "\n";
        return kExitOk;
    }
    if (global.flag("--help") || global.flag("-h") || words.empty()) {
        printHelp();
        return words.empty() ? kExitUsage : kExitOk;
    }

    CliContext context;
    std::string dataDir = global.value("--data-dir");
    std::string configFile = global.value("--config");
    context.yes = global.flag("--yes");
    context.dialogs.answerYes = context.yes;
    if (global.missingValue())
        return printUsage("--data-dir 和 --config 需要一个值");
    if (global.rest().empty()) {
        printHelp();
        return kExitUsage;
    }

    // The command's own words, a "--" among them kept for its options.
    std::vector<std::string> rest = global.forwarded();
    std::string name = rest.front();
    rest.erase(rest.begin());
    const Command* command = nullptr;
    for (const Command& c : allCommands())
        if (name == c.name)
            command = &c;
    if (!command) {
        std::cerr << "未知命令: " << name << "\n";
        printHelp();
        return kExitUsage;
    }

    Workspace workspace({{}, dataDir, configFile});
    context.config = workspace.config();
    context.programFolder = workspace.programFolder();
    context.dataFolder = workspace.dataFolder();
    try {
        if (command->needsDatabase) {
            if (!workspace.openDatabase()) {
                std::cerr << "[错误] " << workspace.error() << "\n";
                return kExitFailed;
            }
            if (workspace.firstStart()) {
                std::cerr << "[提示] 已创建数据库 " << workspace.databasePath() << "\n";
                std::string hint = workspace.configHint();
                if (!hint.empty())
                    std::cerr << "[提示] " << hint << "\n";
            }
            context.db = &workspace.db();
        }
        Args args(rest);
        // Each command says whether it did all that was asked.
        return command->run(context, args);
    } catch (const std::exception& e) {
        std::cerr << "[错误] " << e.what() << "\n";
        return kExitFailed;
    }
}
