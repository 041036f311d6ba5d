#pragma once

#include "items/move_to_group.hpp"
#include "ui/main_state.hpp"
#include "ui/signal.hpp"

#include <cstdint>
#include <functional>
#include <string>

namespace lw {

class Clock;
class Database;
class Desktop;
class Dialogs;
class ItemView;

// The commands that change Groups and Item Links: the group menu "分组管理", the
// toolbar's "搜索添加对方店铺宝贝" and the list's context menu. Each reloads the picker
// or the list through the ItemView where it changed them. The functions that take
// their input as arguments (AddGroup, RenameGroup, DeleteGroups) are the same steps
// after the window's input, shared with the command-line front end. Each returns false
// when it refused or failed (a message was shown), true otherwise.
class ItemCommands {
public:
    ItemCommands(Database& db, Dialogs& dialogs, Desktop& desktop, const Clock& clock,
                 MainState& state, ItemView& view);

    // Group menu.
    void askNewGroup();     // "新建分组"
    void askRenameGroup();  // "修改组名"
    void askDeleteGroups(); // "删除分组"
    bool addGroup(const std::string& name);
    bool renameGroup(std::int64_t id, const std::string& newName);
    // shownNames: the Groups as the question names them.
    bool deleteGroups(const std::vector<std::int64_t>& ids, const std::string& shownNames);

    // Toolbar "搜索添加对方店铺宝贝": checks, then the harvest window for the first
    // ticked Group.
    void openHarvest();
    // The first ticked Group's Uniqid (no list-kind condition), 0 when there is none.
    std::int64_t targetGroupOf(const std::string& groupName);

    // List context menu, on the selected rows.
    void deleteSelectedItems();         // "删除选中项(&D)"
    void moveSelectedItems();           // "移动到组..."
    void copySelectedText(int subItem); // "复制宝贝链接地址(URL)" (0), "复制宝贝名称" (1)
    void exportSelectedItems();         // "选中项另存为..."
    void openSelectedPages();           // "打开所选项网页地址(&T)"
    void openItemPage(int index);       // a double click on a row

    // The harvest window, filled in when it exists: shown modally with its caption
    // and target Group; returns true when it added Item Links (result OK).
    std::function<bool(const std::string& caption, std::int64_t targetGroup)> showHarvest;

    // "the list gets the focus".
    Signal<> focusList;

    // Created on first use and kept.
    MoveToGroupLogic moveDialog;

private:
    Database& db_;
    Dialogs& dialogs_;
    Desktop& desktop_;
    const Clock& clock_;
    MainState& state_;
    ItemView& view_;
};

} // namespace lw
