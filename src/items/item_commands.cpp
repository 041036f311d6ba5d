#include "items/item_commands.hpp"

#include "items/group_store.hpp"
#include "items/item_export.hpp"
#include "items/item_link_store.hpp"
#include "items/item_query.hpp"
#include "items/item_view.hpp"
#include "store/database.hpp"
#include "store/text_routines.hpp"
#include "ui/clock.hpp"
#include "ui/desktop.hpp"
#include "ui/dialogs.hpp"

namespace lw {

ItemCommands::ItemCommands(Database& db, Dialogs& dialogs, Desktop& desktop, const Clock& clock,
                           MainState& state, ItemView& view)
    : db_(db), dialogs_(dialogs), desktop_(desktop), clock_(clock), state_(state), view_(view) {}

void ItemCommands::askNewGroup() {
    std::optional<std::string> name = dialogs_.inputText("新建组", "请输入新组名:", "");
    if (name)
        addGroup(*name);
}

bool ItemCommands::addGroup(const std::string& name) {
    GroupStore groups(db_);
    if (auto refusal = groups.add(name)) {
        dialogs_.message("提示", refusal->text, refusal->icon);
        return false;
    }
    dialogs_.message("提示", kGroupAdded, Icon::Information);
    std::string stored = trim(name);
    view_.appendGroup(groups.find(stored).value_or(kNoGroup), stored, true);
    return true;
}

namespace {

constexpr const char* kPickAGroup = "请选择组.(如果选择多组,将以第一个组为准)";

} // namespace

void ItemCommands::askRenameGroup() {
    std::int64_t id = view_.firstTickedGroupId();
    if (view_.group.text().empty() || id == kNoGroup) {
        dialogs_.message("提示", kPickAGroup, Icon::Warning);
        return;
    }
    std::string old = view_.group.firstTicked();
    std::optional<std::string> answer =
        dialogs_.inputText("修改组名:\"" + old + "\"", "请输入新组名:", old);
    if (answer)
        renameGroup(id, *answer);
}

bool ItemCommands::renameGroup(std::int64_t id, const std::string& newName) {
    GroupStore groups(db_);
    if (groups.find(trim(newName)) == id)
        return true;
    if (auto refusal = groups.rename(id, newName)) {
        dialogs_.message("提示", refusal->text, refusal->icon);
        return false;
    }
    dialogs_.message("提示", kGroupRenamed, Icon::Information);
    view_.reloadGroupsKeepingTicks();
    return true;
}

void ItemCommands::askDeleteGroups() {
    std::string text = view_.group.text();
    if (text.empty()) {
        dialogs_.message("提示", "请选择组.", Icon::Warning);
        return;
    }
    deleteGroups(view_.tickedGroupIds(), text);
}

bool ItemCommands::deleteGroups(const std::vector<std::int64_t>& ids,
                                const std::string& shownNames) {
    if (state_.busy())
        return true;
    if (!dialogs_.confirmDestructive("提示", deleteGroupsQuestion(shownNames), Icon::Warning))
        return true;
    GroupStore(db_).remove(ids);
    dialogs_.message("提示", kGroupsDeleted, Icon::Information);
    view_.reloadGroupsKeepingTicks();
    view_.reloadItems();
    return true;
}

std::int64_t ItemCommands::targetGroupOf(const std::string& groupName) {
    // Whatever its list kind, as the harvest's target.
    Query q = db_.query("select uniqid from tb_groups where groupname=?", {groupName});
    return q.eof() ? 0 : q.integer("uniqid");
}

void ItemCommands::openHarvest() {
    if (state_.busy())
        return;
    if (view_.group.text().empty()) {
        dialogs_.message(
            "提示", "使用搜索添加宝贝链接地址(URL)前,请先选择组.(如果选择多组,将以第一个组为准)",
            Icon::Warning);
        return;
    }
    std::string first = view_.group.firstTicked();
    std::int64_t target = view_.firstTickedGroupId();
    if (target == kNoGroup) {
        // Links are never added to a Group that is not there.
        dialogs_.message("提示", "请选择要添加宝贝链接的组.", Icon::Warning);
        return;
    }
    if (showHarvest && showHarvest("搜索添加宝贝链接(URL)-" + first, target))
        view_.reloadItems();
}

namespace {

std::vector<std::int64_t> idsOf(const ItemList& list, const std::vector<int>& indexes) {
    std::vector<std::int64_t> ids;
    ids.reserve(indexes.size());
    for (int i : indexes)
        ids.push_back(list.row(i).uniqid);
    return ids;
}

} // namespace

void ItemCommands::deleteSelectedItems() {
    if (state_.busy())
        return;
    std::vector<int> selected = view_.list.selectedIndexes();
    if (selected.empty()) {
        dialogs_.message("提示", "请选择要删除的项", Icon::Warning);
        focusList.emit();
        return;
    }
    std::vector<std::int64_t> ids = idsOf(view_.list, selected);
    if (!dialogs_.confirmDestructive(
            "提示", deleteItemsQuestion(ids.size(), view_.list.row(selected.front()).sub[kSubUrl])))
        return;
    ItemLinkStore(db_).remove(ids);
    view_.reloadItems();
}

void ItemCommands::moveSelectedItems() {
    if (state_.busy())
        return;
    std::vector<int> selected = view_.list.selectedIndexes();
    if (selected.empty()) {
        dialogs_.message("提示", "请选择要移动到组的项", Icon::Warning);
        return;
    }
    moveDialog.ids = idsOf(view_.list, selected);
    moveDialog.n = static_cast<int>(selected.size());
    if (moveDialog.run(db_, dialogs_))
        view_.reloadItems();
}

void ItemCommands::copySelectedText(int subItem) {
    std::string text;
    bool collected = false;
    for (int i : view_.list.selectedIndexes()) {
        const std::string& value = view_.list.row(i).sub.at(static_cast<size_t>(subItem));
        if (!collected) {
            if (value.empty())
                continue;
            text = value;
            collected = true;
        } else {
            text += "\r\n" + value;
        }
    }
    if (!text.empty())
        desktop_.setClipboardText(text);
}

void ItemCommands::exportSelectedItems() {
    FileDialogRequest request;
    request.title = "另存为";
    request.defaultExtension = "csv";
    request.filter = "csv 文件(*.csv)|*.csv";
    request.initialPath = "urlExport" + formatDateTime(clock_.now(), "yyyymmddhhnnss");
    std::optional<std::string> path = dialogs_.saveFile(request);
    if (!path)
        return;
    std::vector<std::string> lines;
    for (int i : view_.list.selectedIndexes())
        lines.push_back(exportLine(view_.list.row(i)));
    std::string error = writeItemExport(*path, lines);
    if (!error.empty()) {
        dialogs_.message("错误", error, Icon::Error);
        return;
    }
    dialogs_.message("提示", "完成另存，请确认.", Icon::Information);
}

void ItemCommands::openItemPage(int index) {
    if (index >= 0 && index < view_.list.size())
        desktop_.openUrl(view_.list.row(index).sub[kSubUrl]);
}

void ItemCommands::openSelectedPages() {
    int first = view_.list.firstSelected();
    if (first >= 0)
        desktop_.openUrl(view_.list.row(first).sub[kSubUrl]);
}

} // namespace lw
