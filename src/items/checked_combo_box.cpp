#include "items/checked_combo_box.hpp"

#include "store/text_routines.hpp"
#include "util/codec.hpp"

#include <algorithm>

namespace lw {
namespace {

// Lengths count bytes of the GBK text the limit was made for, so as many Chinese names
// fit as ever.
int gbkLength(const std::string& text) {
    auto gbk = utf8ToGb18030(text);
    return static_cast<int>(gbk ? gbk->size() : text.size());
}

} // namespace

std::string CheckedComboBox::text() const {
    std::string out;
    for (size_t i = 0; i < order_.size(); ++i) {
        if (i > 0)
            out += ",";
        out += item(order_[i]);
    }
    return out;
}

int CheckedComboBox::indexOf(const std::string& name) const {
    for (int i = 0; i < count(); ++i)
        if (items_[static_cast<size_t>(i)] == name)
            return i;
    return -1;
}

void CheckedComboBox::rebuild() {
    ticks_.assign(items_.size(), false);
    order_.clear();
    rebuilt.emit();
}

void CheckedComboBox::clear() {
    items_.clear();
    rebuild();
}

void CheckedComboBox::addItem(const std::string& name) {
    items_.push_back(name);
    rebuild();
}

void CheckedComboBox::insertItem(int index, const std::string& name) {
    items_.insert(items_.begin() + index, name);
    rebuild();
}

bool CheckedComboBox::tick(int index) {
    const std::string& name = items_.at(static_cast<size_t>(index));
    if (std::find(order_.begin(), order_.end(), index) == order_.end()) {
        if (gbkLength(text()) + gbkLength(name) + 1 >= kTextLimit) {
            // Neither the name nor the tick: a tick box without its name in the text
            // would show a selection the program does not use.
            if (noRoom)
                noRoom();
            return false;
        }
        order_.push_back(index);
    }
    ticks_[static_cast<size_t>(index)] = true;
    return true;
}

void CheckedComboBox::untick(int index) {
    ticks_.at(static_cast<size_t>(index)) = false;
    auto it = std::find(order_.begin(), order_.end(), index);
    if (it != order_.end())
        order_.erase(it);
}

void CheckedComboBox::clickItem(int index) {
    if (ticked(index)) {
        untick(index);
    } else if (!tick(index)) {
        return;
    }
    changed.emit();
}

void CheckedComboBox::setTicked(int index, bool on) {
    if (ticked(index) == on)
        return;
    if (on) {
        if (!tick(index))
            return;
    } else {
        untick(index);
    }
    changed.emit();
}

void CheckedComboBox::selectAll() {
    ticks_.assign(items_.size(), true);
    order_.resize(items_.size());
    for (size_t i = 0; i < items_.size(); ++i)
        order_[i] = static_cast<int>(i);
    changed.emit();
}

void CheckedComboBox::clearAll() {
    ticks_.assign(items_.size(), false);
    order_.clear();
    changed.emit();
}

} // namespace lw
