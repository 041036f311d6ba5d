#pragma once

#include <string>

namespace lw {

class Database;

// The Taobao category chosen for one offer. Filled step by step, so that after a
// database failure it holds what was found until then.
struct CategoryChoice {
    std::string cid;
    // The offer's product category, followed by "->" and the mapped Taobao name when
    // the mapping table has a row for it; shown in the item's remark.
    std::string categoryText;
};

// The leaf category for an Alibaba product category and gender: the mapped name (or the
// category text itself) is searched among the leaf names; the first leaf under the
// preferred top-level category wins, else the last leaf found; cid "0" when none.
void chooseCategory(Database& db, const std::string& categoryText, const std::string& gender,
                    const std::string& preferredCid, CategoryChoice& choice);

// The top-level ancestor of cid. A cid without a row is returned as it is. The walk
// stops on a parent chain that loops or is deeper than kMaxCategoryDepth and then
// returns the last cid whose row it read.
std::string topLevelCidOf(Database& db, const std::string& cid);

inline constexpr int kMaxCategoryDepth = 64;

} // namespace lw
