#pragma once

#include "store/database.hpp"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lw {

// How a category answer is split: between runs before every cut (the caller lets the
// event loop run there, so the progress panel's cancel button works); cancelled is asked
// before each piece is stored and reports (and clears) a cancel request.
struct SplitHooks {
    std::function<void()> between;
    std::function<bool()> cancelled;
};

struct StoreResult {
    int rows = 0;           // rows written; kept only when committed
    bool cancelled = false; // stopped by the user: the previous table is unchanged
    bool empty = false;     // the answer held no item: the previous table is unchanged
    bool committed() const { return !cancelled && !empty; }
};

// Each replaces its table with the items of a relay answer, in one transaction that is
// committed only when the whole answer was stored. A database error rolls back and
// is thrown as DbError.

// Items split at "</item_cat>" into TB_Itemcats; an item without a name is skipped.
StoreResult storeCategoryAnswer(Database& db, std::string_view answer,
                                const SplitHooks& hooks = {});
// Items split at "</item_prop>" into TB_ItemProps; an item without a cid is skipped.
StoreResult storePropertyAnswer(Database& db, std::string_view answer,
                                const SplitHooks& hooks = {});
// Items split at "</item_prop>" into TB_ItemPropValue; an item without a cid is skipped.
StoreResult storePropertyValueAnswer(Database& db, std::string_view answer,
                                     const SplitHooks& hooks = {});

// The insert values of one item of an answer, in the column order of its table;
// nullopt for an item that is skipped.
std::optional<DbParams> itemcatRow(const std::string& piece);
std::optional<DbParams> itempropRow(const std::string& piece);
std::optional<DbParams> itempropValueRow(const std::string& piece);

// The pieces an answer is cut into: at every whole separator ("</item_cat>" or
// "</item_prop>"), the remainder being the last piece.
std::vector<std::string> splitAnswer(std::string_view answer, std::string_view separator,
                                     const std::function<void()>& between = {});

// A number as the relay writes it (digits, one inner point, an optional leading
// minus); anything else, an empty text included, gives 0.
DbValue numberValue(std::string_view text);

} // namespace lw
