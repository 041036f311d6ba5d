#pragma once

#include "ui/signal.hpp"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace lw {

// The value written to and filtered on in the tag columns of TB_Groups and TB_URL.
constexpr int kListKind = 0;

// State texts and icons of the "状态" column.
inline constexpr const char* kStateDownloaded = "已下载";
inline constexpr const char* kStatePending = "未下载";
inline constexpr const char* kStateDownloading = "下载中";
enum ItemIcon : int { kIconPending = 0, kIconDownloaded = 1, kIconDownloading = 2 };

// The "检查" mark: how the check of an item's last written row came out, kept in
// TB_URL.CheckState.
enum class CheckState : int { Unchecked = 0, Passed = 1, Warnings = 2, Errors = 3 };
// "", "通过", "警告", "错误".
const char* checkMarkText(CheckState state);
CheckState checkStateFromNumber(std::int64_t number);

// Sub-items of a row, by number.
enum ItemSubItem : int {
    kSubUrl = 0,    // "宝贝链接地址(URL)": detail_url
    kSubTitle = 1,  // "宝贝名称"
    kSubSales = 2,  // "总销量"
    kSubPrice = 3,  // "页面价格"
    kSubNumIid = 4, // "numiid": the offer id
    kSubRemark = 5, // "备注": the download run's note
    kSubCheck = 6,  // "检查": how the check of the row written last came out
    kSubUniqid = 7, // no column: TB_URL.Uniqid, the key of every command
};
constexpr int kSubItemCount = 8;
// Shown columns: the caption ("状态") and sub-items 0 to 6.
constexpr int kColumnCount = 8;

// One Item Link as the list shows it.
struct ItemRow {
    std::string state; // caption: kStateDownloaded, kStatePending or kStateDownloading
    int icon = kIconPending;
    std::array<std::string, kSubItemCount> sub;
    std::int64_t uniqid = 0; // the same value as sub[kSubUniqid]
    bool ticked = false;
    bool selected = false;

    // The text of a shown column: 0 the caption, c the sub-item c - 1.
    const std::string& columnText(int column) const {
        return column == 0 ? state : sub[static_cast<size_t>(column - 1)];
    }
};

// Header captions of the shown columns.
extern const std::array<const char*, kColumnCount> kItemColumnHeaders;

// Header-click comparison of two column texts: numbers (both IsNumber) compare as
// whole numbers rounded half to even, everything else as text with A-Z folded. A
// rounded value beyond a signed 32-bit integer makes the pair equal. Returns <0, 0, >0
// in ascending direction.
int compareItemTexts(const std::string& a, const std::string& b);

// The rows of _RzListView: the item list model shared by the list view, its commands
// and the download run. Changes are announced so that views can follow; a bulk load
// runs inside beginUpdate/endUpdate and is announced once at the end.
class ItemList {
public:
    int size() const { return static_cast<int>(rows_.size()); }
    bool empty() const { return rows_.empty(); }
    const ItemRow& row(int index) const { return rows_.at(static_cast<size_t>(index)); }
    const std::vector<ItemRow>& rows() const { return rows_; }

    void beginUpdate();
    void endUpdate();
    bool updating() const { return updating_; }
    void clear();
    void append(ItemRow row);
    void reserve(int count) { rows_.reserve(static_cast<size_t>(count)); }

    // Single-row changes (the download run writes state, icon, remark and tick).
    void setState(int index, const std::string& state, int icon);
    void setSubItem(int index, int subItem, const std::string& text);
    void setTicked(int index, bool ticked);
    // Selection from the view: announced to nobody, the view already shows it.
    void setSelected(int index, bool selected);

    // Tick and selection commands.
    void tickAll(bool ticked);
    void tickSelected(bool ticked);
    void tickRange(int first, int last, bool ticked); // rows first..last inclusive
    void selectAll();
    void selectOnly(const std::vector<int>& indexes);

    // Rows by state.
    std::vector<int> selectedIndexes() const;
    std::vector<int> tickedIndexes() const;
    int firstTicked() const;   // -1 when no row is ticked
    int firstSelected() const; // -1 when no row is selected
    int indexOfUniqid(std::int64_t uniqid) const;

    // Changes with every clear, load and sort: a loop that lets events run checks it
    // to notice that its row indexes went stale.
    int generation() const { return generation_; }

    // Sorts every row by a shown column with CompareItemTexts (stable).
    void sort(int column, bool descending);

    // A bulk load started: views show an empty list until reset.
    Signal<> updateBegun;
    // The whole content changed (cleared, loaded, sorted).
    Signal<> reset;
    // Rows [first, first + count) were appended outside a bulk load.
    Signal<int, int> rowsAppended;
    // Rows first..last (inclusive) changed their texts, icon or tick.
    Signal<int, int> rowsChanged;
    // The selection was changed by a command; views re-read it.
    Signal<> selectionChanged;

private:
    void changed(int first, int last);

    std::vector<ItemRow> rows_;
    bool updating_ = false;
    int generation_ = 0;
};

} // namespace lw
