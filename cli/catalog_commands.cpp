// The Taobao category tables and the category mapping, from the command line: the
// same logic and messages as the Tools-menu commands and the mapping editor.
#include "catalog_commands.hpp"

#include "catalog/category_commands.hpp"
#include "catalog/mapping_import.hpp"
#include "catalog/mapping_table.hpp"
#include "ui/main_state.hpp"

#include <charconv>
#include <iostream>
#include <optional>

namespace lw::cli {

namespace {

const char* const kCategoriesUsage = "categories download|count";
const char* const kPropsUsage = "props download|count 1|2";
const char* const kMappingUsage =
    "mapping list | add CATEGORY GENDER TARGET | modify ID CATEGORY GENDER TARGET | "
    "delete ID... | import FILE";

std::optional<std::int64_t> parseId(const std::string& text) {
    std::int64_t value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value <= 0)
        return std::nullopt;
    return value;
}

// The categories and props commands share one set of window commands.
struct Categories {
    MainState state;
    RelayContext app;
    HttpClient client{relayPostOptions()};
    CategoryCommands commands;
    explicit Categories(CliContext& context)
        : app(makeRelayContext(context.config)),
          commands(*context.db, state, context.dialogs, context.loop, app, client) {}
};

int download(CliContext& context, void (CategoryCommands::*click)()) {
    std::string missing = context.config.missingRelayValue();
    if (!missing.empty()) {
        std::cerr << "[错误] " << missing << "\n";
        return kExitFailed;
    }
    Categories categories(context);
    (categories.commands.*click)();
    const CategoryCommands& c = categories.commands;
    return c.lastStored() || c.lastDeclined() ? kExitOk : kExitFailed;
}

int count(CliContext& context, void (CategoryCommands::*click)()) {
    Categories categories(context);
    (categories.commands.*click)();
    return kExitOk;
}

int notFound(const std::string& id) {
    std::cerr << "[提示] 没有编号为 " << id << " 的项.\n";
    return kExitFailed;
}

} // namespace

int categoriesCommand(CliContext& context, Args& args) {
    const auto& words = args.rest();
    if (words.size() != 1)
        return printUsage(kCategoriesUsage);
    if (words[0] == "download")
        return download(context, &CategoryCommands::downloadCategoryTree);
    if (words[0] == "count")
        return count(context, &CategoryCommands::countCategories);
    return printUsage(kCategoriesUsage);
}

int propsCommand(CliContext& context, Args& args) {
    const auto& words = args.rest();
    if (words.size() != 2 || (words[1] != "1" && words[1] != "2"))
        return printUsage(kPropsUsage);
    bool first = words[1] == "1";
    if (words[0] == "download")
        return download(context, first ? &CategoryCommands::downloadCategoryProperties
                                       : &CategoryCommands::downloadPropertyValues);
    if (words[0] == "count")
        return count(context, first ? &CategoryCommands::countCategoryProperties
                                    : &CategoryCommands::countPropertyValues);
    return printUsage(kPropsUsage);
}

int mappingCommand(CliContext& context, Args& args) {
    std::vector<std::string> words = args.rest();
    if (words.empty())
        return printUsage(kMappingUsage);
    std::string verb = words.front();
    words.erase(words.begin());

    MappingTable table(*context.db);
    auto report = [&context](const std::optional<Refusal>& refusal) {
        if (!refusal)
            return kExitOk;
        context.dialogs.message("提示", refusal->text, refusal->icon);
        return kExitFailed;
    };
    // The rows as the editor lists them; the id of each must be one of them.
    std::vector<MappingRow> rows = table.list();
    auto rowOf = [&rows](std::int64_t id) -> const MappingRow* {
        for (const MappingRow& row : rows)
            if (row.uniqid == id)
                return &row;
        return nullptr;
    };

    if (verb == "list" && words.empty()) {
        for (const MappingRow& row : rows)
            std::cout << row.uniqid << "\t" << row.category << "\t" << row.gender << "\t"
                      << row.taobaoName << "\n";
        return kExitOk;
    }
    if (verb == "add" && words.size() == 3) {
        int rc = report(table.save(0, words[0], words[1], words[2]));
        if (rc == kExitOk)
            std::cout << context.db->lastInsertId() << "\n";
        return rc;
    }
    if (verb == "modify" && words.size() == 4) {
        auto id = parseId(words[0]);
        if (!id)
            return printUsage(kMappingUsage);
        if (!rowOf(*id))
            return notFound(words[0]);
        return report(table.save(*id, words[1], words[2], words[3]));
    }
    if (verb == "delete" && !words.empty()) {
        std::vector<std::int64_t> ids;
        for (const std::string& word : words) {
            auto id = parseId(word);
            if (!id)
                return printUsage(kMappingUsage);
            if (!rowOf(*id))
                return notFound(word);
            ids.push_back(*id);
        }
        if (context.dialogs.question(
                "提示", deleteMappingsQuestion(ids.size(), rowOf(ids.front())->category)))
            table.remove(ids);
        return kExitOk;
    }
    if (verb == "import" && words.size() == 1) {
        if (!context.dialogs.question("提示", "请确认是否要从文件导入数据?"))
            return kExitOk;
        std::vector<std::string> lines;
        MappingImport imported;
        imported.error = readImportFile(words[0], lines);
        if (imported.error.empty())
            imported = table.importLines(lines);
        Refusal shown = mappingImportReport(imported);
        context.dialogs.message("提示", shown.text, shown.icon);
        return imported.error.empty() ? kExitOk : kExitFailed;
    }
    return printUsage(kMappingUsage);
}

} // namespace lw::cli
