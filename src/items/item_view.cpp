#include "items/item_view.hpp"

#include "items/item_link_store.hpp"
#include "store/database.hpp"
#include "store/settings.hpp"
#include "store/text_routines.hpp"
#include "ui/dialogs.hpp"
#include "ui/event_pump.hpp"

namespace lw {

ItemView::ItemView(Database& db, Dialogs& dialogs, EventLoop& loop, MainState& state)
    : db_(db), dialogs_(dialogs), loop_(loop), state_(state) {
    // The picker's change event keeps setting 4; the list waits for "搜索".
    group.changed.connect([this] { writeSetting(db_, Setting::TickedGroups, group.text()); });
    group.noRoom = [this] {
        dialogs_.message("提示", CheckedComboBox::kNoRoomMessage, Icon::Warning);
    };
}

void ItemView::setKeyword(const std::string& keyword) {
    if (keyword == keyword_)
        return;
    keyword_ = keyword;
    barChanged.emit();
}

void ItemView::setStatus(StateFilter status) {
    if (status == status_)
        return;
    status_ = status;
    barChanged.emit();
}

ItemFilter ItemView::filter() const {
    return {group.text(), keyword_, status_};
}

void ItemView::setListEnabled(bool enabled) {
    listEnabled_ = enabled;
    listEnabledChanged.emit();
}

void ItemView::loadGroups() {
    std::vector<std::string> names;
    for (Query q = db_.query("select * from TB_Groups"); !q.eof(); q.next())
        names.push_back(trim(q.text("GroupName")));
    group.clear();
    for (const std::string& name : names)
        group.addItem(name);
    std::string stored = readSetting(db_, Setting::TickedGroups);
    for (int i = 0; i < group.count(); ++i)
        group.setTicked(i, false);
    if (stored.empty())
        return;
    // Each restored tick fires the change event, so setting 4 ends holding the names
    // found, in their stored order.
    for (const std::string& name : splitText(stored, ",")) {
        int index = group.indexOfNoCase(name);
        if (index >= 0)
            group.setTicked(index, true);
    }
}

void ItemView::reloadItems() {
    if (state_.busy())
        return;
    state_.panel.clearCancel();
    placePanelOverPage.emit();
    setListEnabled(false);
    state_.panel.show(kLoadingCaption);
    loop_.processEvents();

    // A database error must not leave the window busy for good.
    struct Finish {
        ItemView& view;
        ~Finish() {
            if (view.list.updating())
                view.list.endUpdate();
            view.state_.panel.hide();
            view.setListEnabled(true);
        }
    } finish{*this};

    list.beginUpdate();
    list.clear();
    ItemStatement statement = buildItemStatement(filter());
    {
        Query q = db_.query(statement.sql(), statement.params);
        if (!q.eof()) {
            ItemRowReader reader(q);
            int total = q.recordCount();
            list.reserve(total);
            EventPump pump(loop_, pumpInterval);
            for (; !q.eof(); q.next()) {
                if (pump.due()) {
                    state_.panel.setCaption(std::string(kLoadingCaption) +
                                            std::to_string(q.recNo()) + "/" +
                                            std::to_string(total));
                    pump.run();
                }
                if (state_.panel.cancelled())
                    break;
                list.append(reader.read(q));
            }
        }
    }
    list.endUpdate();
    updateTotals();
}

void ItemView::updateTotals() {
    Query q = db_.query(joinSql({"select count(*) from tb_url", "where tag=?"}),
                        {std::int64_t{kListKind}});
    std::string all = q.eof() ? "0" : q.first();
    statusText_ = " 共 " + all + " 项  ,  当前显示" + std::to_string(list.size()) + " 项";
    statusTextChanged.emit();
}

void ItemView::storeTicks() {
    ItemLinkStore(db_).storeTicks(list);
}

void ItemView::applyFilter() {
    if (state_.busy())
        return;
    storeTicks();
    reloadItems();
}

void ItemView::selectAll() {
    list.selectAll();
}

void ItemView::tickAll() {
    list.tickAll(true);
}

void ItemView::untickAll() {
    list.tickAll(false);
}

void ItemView::tickSelected() {
    list.tickSelected(true);
}

void ItemView::untickSelected() {
    list.tickSelected(false);
}

void ItemView::toggleAllTicks(bool checked) {
    if (selectBox_ != checked) {
        selectBox_ = checked;
        barChanged.emit();
    }
    if (state_.busy())
        return;
    int generation = list.generation();
    EventPump pump(loop_, pumpInterval);
    int first = 0;
    for (int i = 0; i < list.size(); ++i) {
        if (!pump.due())
            continue;
        list.tickRange(first, i, checked);
        first = i + 1;
        pump.run();
        // A reload while events ran replaced the rows: they carry their stored ticks.
        if (list.generation() != generation)
            return;
    }
    list.tickRange(first, list.size() - 1, checked);
}

void ItemView::sortByColumn(int column) {
    // Sorting moves rows under a running download, which walks them by position.
    if (state_.busy())
        return;
    list.sort(column, sortDescending_);
    sortDescending_ = !sortDescending_;
}

void loadItemRows(Database& db, const ItemFilter& filter, ItemList& list) {
    ItemStatement statement = buildItemStatement(filter);
    list.beginUpdate();
    list.clear();
    {
        Query q = db.query(statement.sql(), statement.params);
        if (!q.eof()) {
            ItemRowReader reader(q);
            for (; !q.eof(); q.next())
                list.append(reader.read(q));
        }
    }
    list.endUpdate();
}

} // namespace lw
