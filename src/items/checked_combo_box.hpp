#pragma once

#include "ui/signal.hpp"

#include <functional>
#include <string>
#include <vector>

namespace lw {

// The drop-down list with tick boxes (_Group). Its text is the ticked names in the
// order they were ticked, joined by ","; that text is its whole state as far as the
// rest of the program is concerned (its first name is "the first ticked Group").
class CheckedComboBox {
public:
    // The text may not grow to this many bytes (counted in the GBK code page).
    static constexpr int kTextLimit = 256;
    static constexpr const char* kNoRoomMessage = "There is no room for Selected";

    int count() const { return static_cast<int>(items_.size()); }
    const std::vector<std::string>& items() const { return items_; }
    const std::string& item(int index) const { return items_.at(static_cast<size_t>(index)); }
    bool ticked(int index) const { return ticks_.at(static_cast<size_t>(index)); }
    std::string text() const;
    // The ticked items in tick order.
    const std::vector<int>& tickedIndexes() const { return order_; }
    // The first name of the text; empty when nothing is ticked.
    std::string firstTicked() const {
        return order_.empty() ? std::string() : item(order_.front());
    }
    int firstTickedIndex() const { return order_.empty() ? -1 : order_.front(); }
    // Index of the first item with exactly this name; -1 when none.
    int indexOf(const std::string& name) const;

    // Items: each of these rebuilds the drop-down, clearing every tick and the text
    // without a change event.
    void clear();
    void addItem(const std::string& name);
    void insertItem(int index, const std::string& name);

    // A click on an item's tick box.
    void clickItem(int index);
    // A tick by the program: only when the tick really changes.
    void setTicked(int index, bool ticked);
    // The drop-down's context menu: "全选" and "取消全选".
    void selectAll();
    void clearAll();

    // Change event: after every change of the ticks.
    Signal<> changed;
    // The items were rebuilt (views re-read everything).
    Signal<> rebuilt;
    // A tick found no room in the text; the owner shows kNoRoomMessage.
    std::function<void()> noRoom;

private:
    bool tick(int index);
    void untick(int index);
    void rebuild();

    std::vector<std::string> items_;
    std::vector<bool> ticks_;
    std::vector<int> order_; // ticked items in tick order
};

} // namespace lw
