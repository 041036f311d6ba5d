#pragma once

#include "ui/choice_list.hpp"

namespace lw {

class Database;

// The preferred-category picker _ItemCats: the top-level Taobao categories by
// sort_order, each shown by name and carrying its cid as value.
// Fills the picker from TB_Itemcats and selects the entry named by setting 502.
void loadPreferredCategories(Database& db, ChoiceList& picker);

} // namespace lw
