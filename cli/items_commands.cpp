// The Group and Item Link commands of the command-line front end: the same steps,
// checks and messages as the main window's commands.
#include "items_commands.hpp"

#include "harvest/link_lines.hpp"
#include "items/item_commands.hpp"
#include "items/item_view.hpp"
#include "store/text_routines.hpp"

#include <iostream>

namespace lw::cli {
namespace {

// The main window's list page and commands, without a window.
struct ItemSession {
    explicit ItemSession(CliContext& c)
        : context(c), view(*c.db, c.dialogs, c.loop, state),
          commands(*c.db, c.dialogs, c.desktop, c.clock, state, view) {}

    CliContext& context;
    MainState state;
    ItemView view;
    ItemCommands commands;
};

std::string join(const std::vector<std::string>& parts, const char* separator) {
    std::string out;
    for (size_t i = 0; i < parts.size(); ++i)
        out += (i ? separator : "") + parts[i];
    return out;
}

bool groupExists(CliContext& context, const std::string& name) {
    Query q = context.db->query("select count(*) from TB_Groups where GroupName=?", {name});
    return q.first() != "0";
}

// Names the window cannot offer do not exist: refused before anything changes.
bool checkGroups(CliContext& context, const std::vector<std::string>& names) {
    for (const std::string& name : names) {
        if (!groupExists(context, name)) {
            context.dialogs.message("提示", "找不到组\"" + name + "\".", Icon::Warning);
            return false;
        }
    }
    return true;
}

int groupList(CliContext& context) {
    for (Query q = context.db->query("select * from TB_Groups"); !q.eof(); q.next())
        std::cout << trim(q.text("GroupName")) << "\n";
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
    ItemSession session(context);
    if (verb == "list" && words.empty())
        return groupList(context);
    if (verb == "add" && words.size() == 1)
        return session.commands.addGroup(words[0]) ? kExitOk : kExitFailed;
    if (verb == "rename" && words.size() == 2) {
        if (!checkGroups(context, {words[0]}))
            return kExitFailed;
        return session.commands.renameGroup(words[0], words[1]) ? kExitOk : kExitFailed;
    }
    if (verb == "delete" && !words.empty()) {
        if (!checkGroups(context, words))
            return kExitFailed;
        return session.commands.deleteGroups(join(words, ",")) ? kExitOk : kExitFailed;
    }
    return printUsage(kGroupUsage);
}

namespace {

constexpr const char* kLinkUsage =
    "link add --group NAME [--no-autocorrect] LINE... | "
    "link list [--group NAME]... [--state all|downloaded|pending] [--keyword TEXT] | "
    "link tick ID...|--all | link untick ID...|--all | link delete ID... | "
    "link move --to NAME ID... | link export --out FILE ID...";

int linkAdd(CliContext& context, Args& args) {
    std::string group = args.value("--group");
    bool autoCorrect = !args.flag("--no-autocorrect");
    if (args.missingValue() || group.empty() || !args.unknownOption().empty())
        return printUsage(kLinkUsage);
    std::vector<std::string> words = args.rest();
    words.erase(words.begin());
    if (!checkGroups(context, {group}))
        return kExitFailed;
    ItemSession session(context);
    std::int64_t target = session.commands.targetGroupOf(group);
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
    addLinkLines(*context.db, lines, target);
    return kExitOk;
}

std::string cell(const std::string& text) {
    std::string out = text;
    for (char& c : out)
        if (c == '\t' || c == '\r' || c == '\n')
            c = ' ';
    return out;
}

int linkList(CliContext& context, Args& args) {
    ItemFilter filter;
    filter.groupText = join(args.values("--group"), ",");
    std::string state = args.value("--state");
    filter.keyword = args.value("--keyword");
    if (args.missingValue() || !args.unknownOption().empty() || args.rest().size() != 1)
        return printUsage(kLinkUsage);
    if (state == "downloaded")
        filter.state = StateFilter::Downloaded;
    else if (state == "pending")
        filter.state = StateFilter::Pending;
    else if (!state.empty() && state != "all")
        return printUsage(kLinkUsage);
    ItemList list;
    loadItemRows(*context.db, filter, list);
    for (const ItemRow& r : list.rows()) {
        std::cout << cell(r.state);
        for (int i = kSubUrl; i <= kSubUniqid; ++i)
            std::cout << "\t" << cell(r.sub[static_cast<size_t>(i)]);
        std::cout << "\t" << (r.ticked ? "1" : "0") << "\n";
    }
    return kExitOk;
}

// Selects the rows of the given ids in the list of every Group; false (with a message)
// when an id is not listed.
bool selectIds(CliContext& context, ItemSession& session, const std::vector<std::string>& words,
               std::vector<int>& rows) {
    loadItemRows(*context.db, {}, session.view.list);
    for (const std::string& word : words) {
        int index = session.view.list.indexOfUniqid(std::strtoll(word.c_str(), nullptr, 10));
        if (index < 0) {
            context.dialogs.message("提示", "找不到项: " + word, Icon::Warning);
            return false;
        }
        rows.push_back(index);
    }
    session.view.list.selectOnly(rows);
    return true;
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

    ItemSession session(context);
    std::vector<int> rows;
    if (!selectIds(context, session, ids, rows))
        return kExitFailed;
    ItemList& list = session.view.list;
    if (verb == "tick" || verb == "untick") {
        bool on = verb == "tick";
        if (all)
            list.tickAll(on);
        for (int row : rows)
            list.setTicked(row, on);
        session.view.storeTicks();
        return kExitOk;
    }
    if (verb == "delete") {
        session.commands.deleteSelectedItems();
        return kExitOk;
    }
    if (verb == "move") {
        MoveToGroupLogic probe;
        probe.onShown(*context.db);
        int choice = -1;
        for (size_t i = 0; i < probe.names.size(); ++i)
            if (probe.names[i] == to || trim(probe.names[i]) == to)
                choice = static_cast<int>(i);
        if (choice < 0) {
            context.dialogs.message("提示", "找不到组\"" + to + "\".", Icon::Warning);
            return kExitFailed;
        }
        context.dialogs.choices.push_back(choice);
        session.commands.moveSelectedItems();
        return kExitOk;
    }
    if (verb == "export") {
        context.dialogs.files.push_back(out);
        session.commands.exportSelectedItems();
        return kExitOk;
    }
    return printUsage(kLinkUsage);
}

} // namespace lw::cli
