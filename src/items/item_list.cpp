#include "items/item_list.hpp"

#include "store/text_routines.hpp"

#include <algorithm>
#include <numeric>

namespace lw {

const std::array<const char*, kColumnCount> kItemColumnHeaders = {
    "状态", "宝贝链接地址(URL)", "宝贝名称", "总销量", "页面价格", "numiid", "备注", "检查",
};

const char* checkMarkText(CheckState state) {
    switch (state) {
    case CheckState::Unchecked:
        return "";
    case CheckState::Passed:
        return "通过";
    case CheckState::Warnings:
        return "警告";
    case CheckState::Errors:
        return "错误";
    }
    return "";
}

CheckState checkStateFromNumber(std::int64_t number) {
    return number >= 0 && number <= 3 ? static_cast<CheckState>(number) : CheckState::Unchecked;
}

namespace {

// A number text rounded half to even; overflow when it does not fit a signed 32-bit
// integer.
struct RoundedNumber {
    std::int64_t value = 0;
    bool overflow = false;
};

RoundedNumber roundNumberText(std::string_view text) {
    RoundedNumber out;
    size_t point = text.find('.');
    std::string_view whole = text.substr(0, point);
    std::string_view fraction =
        point == std::string_view::npos ? std::string_view() : text.substr(point + 1);
    while (whole.size() > 1 && whole.front() == '0')
        whole.remove_prefix(1);
    if (whole.size() > 10) {
        out.overflow = true;
        return out;
    }
    for (char c : whole)
        out.value = out.value * 10 + (c - '0');
    if (!fraction.empty()) {
        bool restNonZero = fraction.find_first_not_of('0', 1) != std::string_view::npos;
        if (fraction[0] > '5' || (fraction[0] == '5' && (restNonZero || out.value % 2 == 1)))
            ++out.value;
    }
    out.overflow = out.value > 2147483647;
    return out;
}

int foldByte(unsigned char c) {
    return (c >= 'a' && c <= 'z') ? c - 'a' + 'A' : c;
}

int compareFolded(const std::string& a, const std::string& b) {
    size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        int d =
            foldByte(static_cast<unsigned char>(a[i])) - foldByte(static_cast<unsigned char>(b[i]));
        if (d != 0)
            return d;
    }
    if (a.size() == b.size())
        return 0;
    return a.size() < b.size() ? -1 : 1;
}

struct SortKey {
    bool number = false;
    RoundedNumber rounded;
};

SortKey makeSortKey(const std::string& text) {
    SortKey key;
    key.number = isNumber(text);
    if (key.number)
        key.rounded = roundNumberText(text);
    return key;
}

int compareWithKeys(const std::string& a, const SortKey& ka, const std::string& b,
                    const SortKey& kb) {
    if (ka.number && kb.number) {
        if (ka.rounded.overflow || kb.rounded.overflow)
            return 0;
        if (ka.rounded.value == kb.rounded.value)
            return 0;
        return ka.rounded.value < kb.rounded.value ? -1 : 1;
    }
    return compareFolded(a, b);
}

} // namespace

int compareItemTexts(const std::string& a, const std::string& b) {
    return compareWithKeys(a, makeSortKey(a), b, makeSortKey(b));
}

void ItemList::beginUpdate() {
    updating_ = true;
    ++generation_;
    updateBegun.emit();
}

void ItemList::endUpdate() {
    updating_ = false;
    reset.emit();
}

void ItemList::clear() {
    rows_.clear();
    ++generation_;
    if (!updating_)
        reset.emit();
}

void ItemList::append(ItemRow row) {
    rows_.push_back(std::move(row));
    if (!updating_)
        rowsAppended.emit(size() - 1, 1);
}

void ItemList::changed(int first, int last) {
    if (!updating_)
        rowsChanged.emit(first, last);
}

void ItemList::setState(int index, const std::string& state, int icon) {
    ItemRow& r = rows_.at(static_cast<size_t>(index));
    r.state = state;
    r.icon = icon;
    changed(index, index);
}

void ItemList::setSubItem(int index, int subItem, const std::string& text) {
    ItemRow& r = rows_.at(static_cast<size_t>(index));
    r.sub.at(static_cast<size_t>(subItem)) = text;
    changed(index, index);
}

void ItemList::setTicked(int index, bool ticked) {
    ItemRow& r = rows_.at(static_cast<size_t>(index));
    if (r.ticked == ticked)
        return;
    r.ticked = ticked;
    changed(index, index);
}

void ItemList::setSelected(int index, bool selected) {
    rows_.at(static_cast<size_t>(index)).selected = selected;
}

void ItemList::tickAll(bool ticked) {
    for (ItemRow& r : rows_)
        r.ticked = ticked;
    if (!rows_.empty())
        changed(0, size() - 1);
}

void ItemList::tickSelected(bool ticked) {
    int first = -1;
    int last = -1;
    for (int i = 0; i < size(); ++i) {
        ItemRow& r = rows_[static_cast<size_t>(i)];
        if (!r.selected)
            continue;
        r.ticked = ticked;
        if (first < 0)
            first = i;
        last = i;
    }
    if (first >= 0)
        changed(first, last);
}

void ItemList::tickRange(int first, int last, bool ticked) {
    if (first > last)
        return;
    for (int i = first; i <= last; ++i)
        rows_.at(static_cast<size_t>(i)).ticked = ticked;
    changed(first, last);
}

void ItemList::selectAll() {
    for (ItemRow& r : rows_)
        r.selected = true;
    selectionChanged.emit();
}

void ItemList::selectOnly(const std::vector<int>& indexes) {
    for (ItemRow& r : rows_)
        r.selected = false;
    for (int i : indexes)
        rows_.at(static_cast<size_t>(i)).selected = true;
    selectionChanged.emit();
}

std::vector<int> ItemList::selectedIndexes() const {
    std::vector<int> out;
    for (int i = 0; i < size(); ++i)
        if (rows_[static_cast<size_t>(i)].selected)
            out.push_back(i);
    return out;
}

std::vector<int> ItemList::tickedIndexes() const {
    std::vector<int> out;
    for (int i = 0; i < size(); ++i)
        if (rows_[static_cast<size_t>(i)].ticked)
            out.push_back(i);
    return out;
}

int ItemList::firstTicked() const {
    for (int i = 0; i < size(); ++i)
        if (rows_[static_cast<size_t>(i)].ticked)
            return i;
    return -1;
}

int ItemList::firstSelected() const {
    for (int i = 0; i < size(); ++i)
        if (rows_[static_cast<size_t>(i)].selected)
            return i;
    return -1;
}

int ItemList::indexOfUniqid(std::int64_t uniqid) const {
    for (int i = 0; i < size(); ++i)
        if (rows_[static_cast<size_t>(i)].uniqid == uniqid)
            return i;
    return -1;
}

void ItemList::sort(int column, bool descending) {
    if (column < 0 || column >= kColumnCount || rows_.size() < 2)
        return;
    // Keys once per row: a header click on 100,000 rows stays quick.
    std::vector<SortKey> keys;
    keys.reserve(rows_.size());
    for (const ItemRow& r : rows_)
        keys.push_back(makeSortKey(r.columnText(column)));
    std::vector<size_t> order(rows_.size());
    std::iota(order.begin(), order.end(), size_t{0});
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        int c = compareWithKeys(rows_[a].columnText(column), keys[a], rows_[b].columnText(column),
                                keys[b]);
        return descending ? c > 0 : c < 0;
    });
    std::vector<ItemRow> sorted;
    sorted.reserve(rows_.size());
    for (size_t i : order)
        sorted.push_back(std::move(rows_[i]));
    rows_ = std::move(sorted);
    ++generation_;
    reset.emit();
}

} // namespace lw
