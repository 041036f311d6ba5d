#pragma once

#include "items/checked_combo_box.hpp"
#include "items/item_list.hpp"
#include "items/item_query.hpp"
#include "ui/main_state.hpp"
#include "ui/signal.hpp"

#include <chrono>
#include <string>

namespace lw {

class Database;
class Dialogs;
class EventLoop;

// The tab page "选择定义要下载对方店铺宝贝": the bar above the list (_Group, _Select,
// cmbStatus, _Keyword, _Refresh) and the list _RzListView, with loading, counts, tick
// storage, sorting and the tick and selection commands.
class ItemView {
public:
    static constexpr const char* kPageCaption = "选择定义要下载对方店铺宝贝";
    static constexpr const char* kLoadingCaption = "读取数据中...";

    ItemView(Database& db, Dialogs& dialogs, EventLoop& loop, MainState& state);

    CheckedComboBox group; // _Group
    // The Uniqid of each picker entry (kNoGroup for "未分组").
    const std::vector<std::int64_t>& groupIds() const { return groupIds_; }
    std::vector<std::int64_t> tickedGroupIds() const;
    // kNoGroup when nothing, or "未分组", is ticked first.
    std::int64_t firstTickedGroupId() const;
    // A new Group at the end of the picker; keepTicks ticks again what was ticked.
    void appendGroup(std::int64_t id, const std::string& name, bool keepTicks = false);
    ItemList list; // _RzListView

    // Bar state; the setters announce through barChanged when the value changes.
    const std::string& keyword() const { return keyword_; }
    void setKeyword(const std::string& keyword);
    StateFilter status() const { return status_; }
    void setStatus(StateFilter status);
    bool selectBox() const { return selectBox_; } // _Select "宝贝列表"
    // The filter the next reload uses.
    ItemFilter filter() const;

    // First panel of _StatusBar.
    const std::string& statusText() const { return statusText_; }
    // The list area is disabled while it loads.
    bool listEnabled() const { return listEnabled_; }
    // The sort direction flag shared by every column; starts descending.
    bool sortDescending() const { return sortDescending_; }

    // Refill the picker and restore its ticks from setting 4.
    void loadGroups();
    // Refill the picker after a Group was renamed or deleted: the Groups still there
    // keep their ticks, in their order.
    void reloadGroupsKeepingTicks();
    // The picker's drop-down closed: a changed tick reloads the list, storing the
    // list's ticks first (as "搜索").
    void groupPickerClosed();
    // Reload the list from the database with the picker, keyword and state filter.
    void reloadItems();
    // Rewrite the counts text.
    void updateTotals();
    // Store every row's tick in TB_URL.bcheck.
    void storeTicks();

    // "搜索" (_Refresh) and Enter in _Keyword.
    void applyFilter();
    // List context menu and bar.
    void selectAll();                  // "全选(&A)"
    void tickAll();                    // "全部勾选(&Q)"
    void untickAll();                  // "取消所有勾选"
    void tickSelected();               // "选中-勾选"
    void untickSelected();             // "选中-取消勾选"
    void toggleAllTicks(bool checked); // _Select clicked, with its new state
    // Space in the list: every selected row (the current one at least) gets the
    // opposite of the current row's tick.
    void flipTicksFrom(int current);
    // Header click on a shown column (0 for "状态").
    void sortByColumn(int column);
    // The column the list is sorted by (-1 when unsorted) and its direction; a reload
    // sorts its rows the same way.
    int sortColumn() const { return sortColumn_; }
    bool sortedDescending() const { return sortedDescending_; }
    // A sort kept from an earlier start; the next header click turns it round.
    void restoreSort(int column, bool descending);

    // How often the long loops let events run.
    std::chrono::milliseconds pumpInterval{15};

    Signal<> barChanged;
    Signal<> statusTextChanged;
    Signal<> listEnabledChanged;
    // sortColumn or sortedDescending changed (views show the header's arrow).
    Signal<> sortChanged;
    // reloadItems is about to show the progress panel: views place it over the page.
    Signal<> placePanelOverPage;

private:
    void setListEnabled(bool enabled);
    void insertGroup(std::int64_t id, const std::string& name);
    void updateStatusText();
    void tickedCountChanged();
    std::vector<int> indexesOfStoredNames(const std::string& stored) const;
    void tickGroupIds(const std::vector<std::int64_t>& ids);

    Database& db_;
    Dialogs& dialogs_;
    EventLoop& loop_;
    MainState& state_;
    std::string keyword_;
    StateFilter status_ = StateFilter::All;
    bool selectBox_ = false;
    std::string statusText_;
    std::string totalText_ = "0";
    bool listEnabled_ = true;
    bool sortDescending_ = true;
    int sortColumn_ = -1;
    bool sortedDescending_ = true;
    std::vector<std::int64_t> groupIds_;
    // The Groups the shown list was loaded for.
    std::vector<std::int64_t> loadedGroupIds_;
};

// Loads every row of a filter into a list at once (no progress panel).
void loadItemRows(Database& db, const ItemFilter& filter, ItemList& list);

} // namespace lw
