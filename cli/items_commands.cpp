// The Group and Item Link commands of the command-line front end: the same steps,
// checks and messages as the main window's commands.
#include "items_commands.hpp"

#include "harvest/link_lines.hpp"
#include "items/group_store.hpp"
#include "items/item_export.hpp"
#include "items/item_link_store.hpp"
#include "items/item_list.hpp"
#include "items/item_view.hpp"
#include "store/text_routines.hpp"

#include <algorithm>
#include <iostream>
#include <optional>

namespace lw::cli {
namespace {

std::string join(const std::vector<std::string>& parts, const char* separator) {
    std::string out;
    for (size_t i = 0; i < parts.size(); ++i)
        out += (i ? separator : "") + parts[i];
    return out;
}

// Names the window cannot offer do not exist: refused before anything changes.
bool checkGroups(CliContext& context, const std::vector<std::string>& names) {
    for (const std::string& name : names) {
        if (!GroupStore(*context.db).exists(name)) {
            context.dialogs.message("提示", "找不到组\"" + name + "\".", Icon::Warning);
            return false;
        }
    }
    return true;
}

int groupList(CliContext& context) {
    for (const Group& group : GroupStore(*context.db).list())
        std::cout << trim(group.name) << "\n";
    return kExitOk;
}

// A refusal is told as the window tells it; a change is reported the same way too.
int report(CliContext& context, const std::optional<Refusal>& refusal, const char* done) {
    if (refusal) {
        context.dialogs.message("提示", refusal->text, refusal->icon);
        return kExitFailed;
    }
    if (done)
        context.dialogs.message("提示", done, Icon::Information);
    return kExitOk;
}

constexpr const char* kGroupUsage =
    "group list | group add NAME | group rename OLD NEW | group delete NAME...";

int unknown(Args& args, const char* usage) {
    std::string option = args.unknownOption();
    if (!option.empty())
        return printUsage(std::string("未知选项 ") + option + "\n  " + usage);
    return -1;
}

} // namespace

int runGroupCommand(CliContext& context, Args& args) {
    if (int rc = unknown(args, kGroupUsage); rc >= 0)
        return rc;
    std::vector<std::string> words = args.rest();
    if (words.empty())
        return printUsage(kGroupUsage);
    std::string verb = words.front();
    words.erase(words.begin());
    GroupStore groups(*context.db);
    if (verb == "list" && words.empty())
        return groupList(context);
    if (verb == "add" && words.size() == 1)
        return report(context, groups.add(words[0]), kGroupAdded);
    if (verb == "rename" && words.size() == 2) {
        if (!checkGroups(context, {words[0]}))
            return kExitFailed;
        std::int64_t id = *groups.find(words[0]);
        if (groups.find(trim(words[1])) == id)
            return kExitOk;
        return report(context, groups.rename(id, words[1]), kGroupRenamed);
    }
    if (verb == "delete" && !words.empty()) {
        if (!checkGroups(context, words))
            return kExitFailed;
        if (!context.dialogs.question("提示", deleteGroupsQuestion(join(words, ",")),
                                      Icon::Warning))
            return kExitOk;
        std::vector<std::int64_t> ids;
        for (const std::string& name : words)
            ids.push_back(*groups.find(name));
        groups.remove(ids);
        return report(context, std::nullopt, kGroupsDeleted);
    }
    return printUsage(kGroupUsage);
}

namespace {

constexpr const char* kLinkUsage =
    "link add --group NAME [--no-autocorrect] [--no-move] LINE... | "
    "link list [--group NAME]... [--state all|downloaded|pending|problems] [--keyword TEXT] | "
    "link tick ID...|--all | link untick ID...|--all | link delete ID... | "
    "link move --to NAME ID... | link export --out FILE ID...";

int linkAdd(CliContext& context, Args& args) {
    std::string group = args.value("--group");
    bool autoCorrect = !args.flag("--no-autocorrect");
    bool noMove = args.flag("--no-move");
    if (args.missingValue() || group.empty() || !args.unknownOption().empty())
        return printUsage(kLinkUsage);
    std::vector<std::string> words = args.rest();
    words.erase(words.begin());
    if (!checkGroups(context, {group}))
        return kExitFailed;
    std::int64_t target = GroupStore(*context.db).find(group).value_or(0);
    std::vector<std::string> lines;
    for (const std::string& word : words)
        for (const std::string& line : splitLinkBox(word))
            lines.push_back(line);
    switch (confirmLinkLines(context.dialogs, lines, autoCorrect)) {
    case LinkCheck::Empty:
    case LinkCheck::Malformed:
        return kExitFailed;
    case LinkCheck::Declined:
        return kExitOk;
    case LinkCheck::Confirmed:
        break;
    }
    LinkAddResult added = addLinkLines(*context.db, lines, target);
    tellSkippedLinks(*context.db, context.dialogs, added, target, !noMove);
    return added.refused > 0 ? kExitFailed : kExitOk;
}

std::string cell(const std::string& text) {
    std::string out = text;
    for (char& c : out)
        if (c == '\t' || c == '\r' || c == '\n')
            c = ' ';
    return out;
}

// Every Item Link, those whose Group is gone included (the window's 未分组).
ItemFilter everyLink(CliContext& context) {
    ItemFilter filter;
    for (const Group& group : GroupStore(*context.db).list())
        filter.groupIds.push_back(group.id);
    filter.groupIds.push_back(kNoGroup);
    return filter;
}

int linkList(CliContext& context, Args& args) {
    ItemFilter filter;
    for (const std::string& name : args.values("--group")) {
        std::optional<std::int64_t> id = GroupStore(*context.db).find(name);
        // 未分组 selects the links of no Group, as the picker's last entry does; a name
        // that is no Group shows nothing, as the window's list would.
        if (!id && name == kNoGroupName)
            id = kNoGroup;
        filter.groupIds.push_back(id.value_or(-1));
    }
    if (filter.groupIds.empty())
        filter.groupIds = everyLink(context).groupIds;
    std::string state = args.value("--state");
    filter.keyword = args.value("--keyword");
    if (args.missingValue() || !args.unknownOption().empty() || args.rest().size() != 1)
        return printUsage(kLinkUsage);
    if (state == "downloaded")
        filter.state = StateFilter::Downloaded;
    else if (state == "pending")
        filter.state = StateFilter::Pending;
    else if (state == "problems")
        filter.state = StateFilter::Problems;
    else if (!state.empty() && state != "all")
        return printUsage(kLinkUsage);
    ItemList list;
    loadItemRows(*context.db, filter, list);
    for (const ItemRow& r : list.rows()) {
        std::cout << cell(r.state);
        for (int i = kSubUrl; i <= kSubRemark; ++i)
            std::cout << "\t" << cell(r.sub[static_cast<size_t>(i)]);
        std::cout << "\t" << cell(r.sub[kSubUniqid]) << "\t" << (r.ticked ? "1" : "0");
        // Added last, so that the earlier fields keep their places.
        std::cout << "\t" << cell(r.sub[kSubCheck]) << "\n";
    }
    return kExitOk;
}

// The list indexes of the given ids in the list of every Group, in list order and each
// once, as the window's selection holds them; false (with a message) when an id is not
// listed.
bool findRows(CliContext& context, const ItemList& list, const std::vector<std::string>& words,
              std::vector<int>& rows) {
    for (const std::string& word : words) {
        int index = list.indexOfUniqid(std::strtoll(word.c_str(), nullptr, 10));
        if (index < 0) {
            context.dialogs.message("提示", "找不到项: " + word, Icon::Warning);
            return false;
        }
        rows.push_back(index);
    }
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return true;
}

std::vector<std::int64_t> idsOf(const ItemList& list, const std::vector<int>& rows) {
    std::vector<std::int64_t> ids;
    for (int row : rows)
        ids.push_back(list.row(row).uniqid);
    return ids;
}

bool allIds(const std::vector<std::string>& words) {
    for (const std::string& w : words)
        if (w.empty() || w.find_first_not_of("0123456789") != std::string::npos)
            return false;
    return true;
}

} // namespace

int runLinkCommand(CliContext& context, Args& args) {
    if (args.rest().empty())
        return printUsage(kLinkUsage);
    std::string verb = args.rest().front();
    if (verb == "add")
        return linkAdd(context, args);
    if (verb == "list")
        return linkList(context, args);

    bool all = (verb == "tick" || verb == "untick") && args.flag("--all");
    std::string to = verb == "move" ? args.value("--to") : "";
    std::string out = verb == "export" ? args.value("--out") : "";
    std::vector<std::string> ids(args.rest().begin() + 1, args.rest().end());
    if (args.missingValue() || !args.unknownOption().empty() || !allIds(ids) ||
        (ids.empty() && !all) || (all && !ids.empty()) || (verb == "move" && to.empty()) ||
        (verb == "export" && out.empty()))
        return printUsage(kLinkUsage);

    ItemList list;
    loadItemRows(*context.db, everyLink(context), list);
    std::vector<int> rows;
    if (!findRows(context, list, ids, rows))
        return kExitFailed;
    ItemLinkStore links(*context.db);
    if (verb == "tick" || verb == "untick") {
        if (all)
            for (int row = 0; row < list.size(); ++row)
                rows.push_back(row);
        links.setTicked(idsOf(list, rows), verb == "tick");
        return kExitOk;
    }
    if (verb == "delete") {
        if (context.dialogs.question(
                "提示", deleteItemsQuestion(rows.size(), list.row(rows.front()).sub[kSubUrl])))
            links.remove(idsOf(list, rows));
        return kExitOk;
    }
    if (verb == "move") {
        std::optional<Group> target;
        for (const Group& group : GroupStore(*context.db).list())
            if (group.name == to || trim(group.name) == to)
                target = group;
        if (!target) {
            context.dialogs.message("提示", "找不到组\"" + to + "\".", Icon::Warning);
            return kExitFailed;
        }
        if (!context.dialogs.question("提示", moveItemsQuestion(rows.size(), target->name)))
            return kExitOk;
        links.moveTo(idsOf(list, rows), target->id);
        context.dialogs.message("提示", itemsMovedText(rows.size()), Icon::Information);
        return kExitOk;
    }
    if (verb == "export") {
        std::vector<std::string> lines;
        for (int row : rows)
            lines.push_back(exportLine(list.row(row)));
        std::string error = writeItemExport(out, lines);
        if (!error.empty()) {
            context.dialogs.message("错误", error, Icon::Error);
            return kExitFailed;
        }
        context.dialogs.message("提示", "完成另存，请确认.", Icon::Information);
        return kExitOk;
    }
    return printUsage(kLinkUsage);
}

} // namespace lw::cli
