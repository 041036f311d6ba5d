#pragma once

#include <string>
#include <vector>

namespace lw {

class Database;

// The preferred-category picker _ItemCats: the top-level Taobao categories by
// sort_order, each shown by name and carrying its cid as value.
struct ItemCatsPicker {
    std::vector<std::string> names;
    std::vector<std::string> values; // cid of each entry
    int selected = -1;

    // The selected entry's name, or empty.
    std::string text() const;
    // The selected entry's cid, or empty.
    std::string value() const;
    // The first entry whose name equals text, letter case ignored; -1 when none.
    int indexOfNoCase(const std::string& text) const;
};

// Fills the picker from TB_Itemcats and selects the entry named by setting 502.
void loadPreferredCategories(Database& db, ItemCatsPicker& picker);

} // namespace lw
