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
    // The picker is a member: the slot lives exactly as long as it.
    group.changed.connect([this] { writeSetting(db_, Setting::TickedGroups, group.text()); })
        .release();
    // The ticked count follows every tick; the totals wait for updateTotals.
    list.rowsChanged.connect([this](int, int) { tickedCountChanged(); }).release();
    list.reset.connect([this] { tickedCountChanged(); }).release();
    list.rowsAppended.connect([this](int, int) { tickedCountChanged(); }).release();
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
    return {tickedGroupIds(), keyword_, status_};
}

std::vector<std::int64_t> ItemView::tickedGroupIds() const {
    std::vector<std::int64_t> ids;
    for (int index : group.tickedIndexes())
        ids.push_back(groupIds_[static_cast<size_t>(index)]);
    return ids;
}

void ItemView::appendGroup(std::int64_t id, const std::string& name, bool keepTicks) {
    std::vector<std::int64_t> ticked = tickedGroupIds();
    insertGroup(id, name);
    if (keepTicks)
        tickGroupIds(ticked);
}

void ItemView::tickGroupIds(const std::vector<std::int64_t>& ids) {
    for (std::int64_t id : ids)
        for (size_t i = 0; i < groupIds_.size(); ++i)
            if (groupIds_[i] == id)
                group.setTicked(static_cast<int>(i), true);
}

void ItemView::reloadGroupsKeepingTicks() {
    std::vector<std::int64_t> ticked = tickedGroupIds();
    loadGroups();
    for (int i = 0; i < group.count(); ++i)
        group.setTicked(i, false);
    tickGroupIds(ticked);
}

void ItemView::groupPickerClosed() {
    if (state_.busy() || tickedGroupIds() == loadedGroupIds_)
        return;
    applyFilter();
}

void ItemView::insertGroup(std::int64_t id, const std::string& name) {
    // Before "未分组", which stays last.
    size_t at = !groupIds_.empty() && groupIds_.back() == kNoGroup ? groupIds_.size() - 1
                                                                   : groupIds_.size();
    if (at == groupIds_.size()) {
        groupIds_.push_back(id);
        group.addItem(name);
        return;
    }
    groupIds_.insert(groupIds_.begin() + static_cast<std::ptrdiff_t>(at), id);
    group.insertItem(static_cast<int>(at), name);
}

std::int64_t ItemView::firstTickedGroupId() const {
    int index = group.firstTickedIndex();
    return index < 0 ? kNoGroup : groupIds_[static_cast<size_t>(index)];
}

void ItemView::setListEnabled(bool enabled) {
    listEnabled_ = enabled;
    listEnabledChanged.emit();
}

void ItemView::loadGroups() {
    std::vector<std::string> names;
    groupIds_.clear();
    for (Query q = db_.query("select * from TB_Groups"); !q.eof(); q.next()) {
        names.push_back(trim(q.text("GroupName")));
        groupIds_.push_back(q.integer("Uniqid"));
    }
    // Item Links whose Group is gone are shown under an entry of their own, so that
    // they can be moved or deleted.
    Query orphans = db_.query(
        "select count(*) from TB_URL where tag=? and uGroup not in (select Uniqid from TB_Groups)",
        {std::int64_t{kListKind}});
    if (orphans.first() != "0") {
        names.push_back(kNoGroupName);
        groupIds_.push_back(kNoGroup);
    }
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
    for (int index : indexesOfStoredNames(stored))
        group.setTicked(index, true);
}

std::vector<int> ItemView::indexesOfStoredNames(const std::string& stored) const {
    // The names were joined by ",", which a Group name of an older file may hold: at
    // each place the longest run of pieces that is exactly a name wins.
    std::vector<std::string> pieces = splitText(stored, ",");
    std::vector<int> found;
    for (size_t start = 0; start < pieces.size();) {
        size_t taken = 0;
        int index = -1;
        std::string joined;
        for (size_t end = start; end < pieces.size(); ++end) {
            joined += (end == start ? "" : ",") + pieces[end];
            int i = group.indexOf(joined);
            if (i >= 0) {
                index = i;
                taken = end - start + 1;
            }
        }
        if (index >= 0)
            found.push_back(index);
        start += taken > 0 ? taken : 1;
    }
    return found;
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
    loadedGroupIds_ = tickedGroupIds();
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
    // The rows come in the order the header's arrow shows.
    if (sortColumn_ >= 0)
        list.sort(sortColumn_, sortedDescending_);
    list.endUpdate();
    updateTotals();
}

void ItemView::updateTotals() {
    Query q = db_.query(joinSql({"select count(*) from tb_url", "where tag=?"}),
                        {std::int64_t{kListKind}});
    totalText_ = q.eof() ? "0" : q.first();
    updateStatusText();
}

void ItemView::tickedCountChanged() {
    if (!statusText_.empty())
        updateStatusText();
}

void ItemView::updateStatusText() {
    std::string text = "共 " + totalText_ + " 项，当前显示 " + std::to_string(list.size()) +
                       " 项，已勾选 " + std::to_string(list.tickedIndexes().size()) + " 项";
    if (text == statusText_)
        return;
    statusText_ = text;
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

void ItemView::flipTicksFrom(int current) {
    if (current < 0 || current >= list.size())
        current = list.firstSelected();
    if (current < 0)
        return;
    const bool ticked = !list.row(current).ticked;
    if (!list.row(current).selected) {
        list.setTicked(current, ticked);
        return;
    }
    list.tickSelected(ticked);
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
    sortColumn_ = column;
    sortedDescending_ = sortDescending_;
    sortDescending_ = !sortDescending_;
    sortChanged.emit();
}

void ItemView::restoreSort(int column, bool descending) {
    if (column < 0 || column >= kColumnCount)
        return;
    sortColumn_ = column;
    sortedDescending_ = descending;
    sortDescending_ = !descending;
    sortChanged.emit();
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
