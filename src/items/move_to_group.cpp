#include "items/move_to_group.hpp"

#include "items/item_link_store.hpp"
#include "items/item_list.hpp"
#include "items/item_query.hpp"
#include "store/database.hpp"
#include "ui/dialogs.hpp"

namespace lw {

void MoveToGroupLogic::onShown(Database& db) {
    names.clear();
    values.clear();
    for (Query q = db.query("select * from TB_Groups where Tag=?", {std::int64_t{kListKind}});
         !q.eof(); q.next()) {
        names.push_back(q.text("GroupName"));
        values.push_back(q.integer("Uniqid"));
    }
    selected = names.empty() ? -1 : 0;
}

bool MoveToGroupLogic::confirm(Database& db, Dialogs& dialogs) {
    if (selected < 0 || selected >= static_cast<int>(names.size())) {
        dialogs.message("提示", "请选择组.", Icon::Warning);
        return false;
    }
    const std::string& name = names[static_cast<size_t>(selected)];
    if (!dialogs.question("提示", moveItemsQuestion(static_cast<std::size_t>(n), name)))
        return false;
    std::int64_t target = values[static_cast<size_t>(selected)];
    ItemLinkStore(db).moveTo(ids, target);
    dialogs.message("提示", itemsMovedText(static_cast<std::size_t>(n)), Icon::Information);
    return true;
}

bool MoveToGroupLogic::run(Database& db, Dialogs& dialogs) {
    onShown(db);
    // A refusal or a No keeps the dialog open: it is shown again with the same choice.
    for (;;) {
        std::optional<int> choice = dialogs.chooseFromList(kCaption, kLabel, names, selected);
        if (!choice)
            return false;
        selected = *choice;
        if (confirm(db, dialogs))
            return true;
    }
}

} // namespace lw
