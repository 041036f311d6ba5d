// The check of an existing package file: what Taobao Assistant or Taobao would refuse,
// before the user imports it.
#include "check_commands.hpp"

#include "package/package_check.hpp"
#include "platform/platform.hpp"
#include "store/database_open.hpp"

#include <filesystem>
#include <iostream>

namespace lw::cli {
namespace {

constexpr const char* kCheckUsage = "check PACKAGE.csv [--strict]";

// The tree of the data folder's database when it has one; the check then knows which
// categories are leaves.
CategoryTree storedCategoryTree(CliContext& context) {
    const std::string path = databasePathIn(context.dataFolder);
    std::error_code ec;
    if (!std::filesystem::is_regular_file(platform::toPath(path), ec))
        return {};
    std::string error;
    std::unique_ptr<Database> db = openDatabase(path, context.config.dbPassword, error);
    if (!db) {
        std::cerr << "[提示] 无法打开数据库 " << path << ": " << error << "\n";
        return {};
    }
    return readCategoryTree(*db);
}

} // namespace

int runCheckCommand(CliContext& context, Args& args) {
    bool strict = args.flag("--strict");
    if (!args.unknownOption().empty() || args.rest().size() != 1)
        return printUsage(kCheckUsage);
    const std::string& path = args.rest().front();

    CategoryTree tree = storedCategoryTree(context);
    if (!tree.known)
        std::cerr << "[提示] 数据文件夹中没有淘宝类目,只检查类目是否为0\n";
    PackageCheck check = checkPackageFile(path, tree);

    int errors = 0;
    int warnings = 0;
    for (const std::string& e : check.fileErrors) {
        std::cout << "文件\t\t错误\t" << e << "\n";
        ++errors;
    }
    for (const PackageRowCheck& row : check.rows) {
        const std::string where = "第" + std::to_string(row.line) + "行\t" + row.numId;
        if (!row.problem.empty()) {
            std::cout << where << "\t错误\t" << row.problem << "\n";
            ++errors;
        }
        for (const std::string& e : row.problems.errors) {
            std::cout << where << "\t错误\t" << e << "\n";
            ++errors;
        }
        for (const std::string& w : row.problems.warnings) {
            std::cout << where << "\t警告\t" << w << "\n";
            ++warnings;
        }
    }
    std::cout << "共 " << check.rows.size() << " 行, " << errors << " 个错误, " << warnings
              << " 个警告" << std::endl;
    bool failed = check.hasErrors() || (strict && check.hasWarnings());
    return failed ? kExitFailed : kExitOk;
}

} // namespace lw::cli
