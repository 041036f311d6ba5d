// The Taobao category tables and the category mapping, from the command line: the
// same logic and messages as the Tools-menu commands and the mapping editor.
#include "catalog_commands.hpp"

#include "catalog/category_commands.hpp"
#include "catalog/mapping_editor.hpp"
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
    return kExitOk;
}

int count(CliContext& context, void (CategoryCommands::*click)()) {
    Categories categories(context);
    (categories.commands.*click)();
    return kExitOk;
}

// The mapping editor with its dialog, which the command line fills and confirms.
struct Mapping {
    MappingEntryLogic dialog;
    std::optional<std::vector<std::string>> typed; // category, gender, target
    MappingEditorLogic admin;

    explicit Mapping(CliContext& context)
        : dialog(*context.db, context.dialogs),
          admin(*context.db, context.dialogs, dialog, [this](MappingEntryLogic& d) {
              d.onShown();
              if (typed) {
                  d.category = (*typed)[0];
                  d.gender = (*typed)[1];
                  d.taobaoName = (*typed)[2];
                  d.confirm();
              }
              // Refused (empty category, existing key): the user closes the dialog.
              if (d.modalResult == ModalResult::None)
                  d.cancel();
              return d.modalResult;
          }) {
        admin.onShown();
    }
};

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

    if (verb == "list" && words.empty()) {
        Mapping mapping(context);
        for (const MappingRow& row : mapping.admin.rows())
            std::cout << row.uniqid << "\t" << row.category << "\t" << row.gender << "\t"
                      << row.taobaoName << "\n";
        return kExitOk;
    }
    if (verb == "add" && words.size() == 3) {
        Mapping mapping(context);
        mapping.typed = words;
        mapping.admin.addEntry();
        if (mapping.dialog.modalResult == ModalResult::Ok)
            std::cout << context.db->lastInsertId() << "\n";
        return kExitOk;
    }
    if (verb == "modify" && words.size() == 4) {
        auto id = parseId(words[0]);
        if (!id)
            return printUsage(kMappingUsage);
        Mapping mapping(context);
        int row = mapping.admin.rowOf(*id);
        if (row < 0)
            return notFound(words[0]);
        mapping.admin.selectRow(row);
        mapping.typed = std::vector<std::string>(words.begin() + 1, words.end());
        mapping.admin.modifyEntry();
        return kExitOk;
    }
    if (verb == "delete" && !words.empty()) {
        Mapping mapping(context);
        std::vector<int> rows;
        for (const std::string& word : words) {
            auto id = parseId(word);
            if (!id)
                return printUsage(kMappingUsage);
            int row = mapping.admin.rowOf(*id);
            if (row < 0)
                return notFound(word);
            rows.push_back(row);
        }
        mapping.admin.setSelection(rows, rows.front());
        mapping.admin.deleteEntries();
        return kExitOk;
    }
    if (verb == "import" && words.size() == 1) {
        Mapping mapping(context);
        context.dialogs.files.push_back(words[0]);
        mapping.admin.importFile();
        return kExitOk;
    }
    return printUsage(kMappingUsage);
}

} // namespace lw::cli
