#include "package/category_mapping.hpp"

#include "store/database.hpp"
#include "store/text_routines.hpp"

#include <set>

namespace lw {
namespace {

// The cid of an offer for which no category was found.
const std::string kNoCategory = "0";

} // namespace

void chooseCategory(Database& db, const std::string& categoryText, const std::string& gender,
                    const std::string& preferredCid, CategoryChoice& choice) {
    choice.categoryText = categoryText;
    std::string searchName = categoryText;
    {
        Query mapping = db.query(
            joinSql({"select tovalue from tb_mapping", "where FromValue01=?", "and FromValue02=?"}),
            {categoryText, gender});
        if (!mapping.eof()) {
            searchName = trim(mapping.text("tovalue"));
            choice.categoryText = categoryText + "->" + searchName;
        }
    }
    if (searchName.empty()) {
        choice.cid = kNoCategory;
        return;
    }
    Query leaves =
        db.query("select cid from tb_itemcats where is_parent=0 and name like '%' || ? || '%'",
                 {searchName});
    if (leaves.eof()) {
        choice.cid = kNoCategory;
        return;
    }
    std::string last;
    for (; !leaves.eof(); leaves.next()) {
        last = leaves.text("cid");
        if (topLevelCidOf(db, last) == preferredCid) {
            choice.cid = last;
            return;
        }
    }
    choice.cid = last;
}

std::string topLevelCidOf(Database& db, const std::string& cid) {
    std::set<std::string> seen;
    std::string current = cid;
    std::string lastRead = cid;
    for (int level = 0; level < kMaxCategoryDepth; ++level) {
        Query row = db.query("select cid,parent_cid,name from tb_itemcats where cid=?", {current});
        if (row.eof())
            return current;
        lastRead = row.text("cid");
        std::string parent = row.text("parent_cid");
        if (parent == "0")
            return lastRead;
        seen.insert(current);
        seen.insert(lastRead);
        if (seen.count(parent))
            return lastRead;
        current = parent;
    }
    return lastRead;
}

} // namespace lw
