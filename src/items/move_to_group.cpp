#include "items/move_to_group.hpp"

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
    if (!dialogs.question("提示", "确定要将所选的 " + std::to_string(n) + " 项移动到组\"" + name +
                                      "\" 吗?"))
        return false;
    std::int64_t target = values[static_cast<size_t>(selected)];
    Transaction transaction(db);
    forEachIdSlice(ids, [&](const std::vector<std::int64_t>& slice) {
        DbParams params{target};
        for (std::int64_t id : slice)
            params.emplace_back(id);
        db.exec(joinSql({"Update TB_URL Set uGroup=?",
                         "where Uniqid in " + placeholders(slice.size())}),
                params);
    });
    transaction.commit();
    dialogs.message("提示", "完成移动到组,共移动 " + std::to_string(n) + " 项，请确认.",
                    Icon::Information);
    return true;
}

bool MoveToGroupLogic::ShowModal(Database& db, Dialogs& dialogs) {
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
