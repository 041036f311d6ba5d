#include "items/item_link_store.hpp"

#include "items/item_list.hpp"
#include "items/item_query.hpp"
#include "store/database.hpp"
#include "store/text_routines.hpp"

#include <string>

namespace lw {

namespace {

DbParams paramsOf(const std::vector<std::int64_t>& ids) {
    return DbParams(ids.begin(), ids.end());
}

} // namespace

std::string deleteItemsQuestion(std::size_t count, const std::string& firstAddress) {
    return count == 1 ? "是否要删除: " + firstAddress
                      : "是否要删除选中的 " + std::to_string(count) + " 个项?";
}

std::string moveItemsQuestion(std::size_t count, const std::string& groupName) {
    return "确定要将所选的 " + std::to_string(count) + " 项移动到组\"" + groupName + "\" 吗?";
}

std::string itemsMovedText(std::size_t count) {
    return "完成移动到组,共移动 " + std::to_string(count) + " 项，请确认.";
}

void ItemLinkStore::setTicked(const std::vector<std::int64_t>& ids, bool ticked) {
    // Storing 100,000 ticks at shutdown then rewrites only the pages that changed.
    std::string flag = ticked ? "1" : "0";
    Transaction transaction(db_);
    forEachIdSlice(ids, [&](const std::vector<std::int64_t>& slice) {
        db_.exec("update tb_url set bcheck=" + flag + " where uniqid in " +
                     placeholders(slice.size()) + " and bcheck<>" + flag,
                 paramsOf(slice));
    });
    transaction.commit();
}

void ItemLinkStore::storeTicks(const ItemList& list) {
    std::vector<std::int64_t> ticked;
    std::vector<std::int64_t> unticked;
    for (const ItemRow& row : list.rows())
        (row.ticked ? ticked : unticked).push_back(row.uniqid);
    setTicked(ticked, true);
    setTicked(unticked, false);
}

void ItemLinkStore::remove(const std::vector<std::int64_t>& ids) {
    Transaction transaction(db_);
    forEachIdSlice(ids, [&](const std::vector<std::int64_t>& slice) {
        db_.exec("Delete From TB_URL where Uniqid in " + placeholders(slice.size()),
                 paramsOf(slice));
    });
    transaction.commit();
}

void ItemLinkStore::moveTo(const std::vector<std::int64_t>& ids, std::int64_t groupId) {
    Transaction transaction(db_);
    forEachIdSlice(ids, [&](const std::vector<std::int64_t>& slice) {
        DbParams params{groupId};
        for (std::int64_t id : slice)
            params.emplace_back(id);
        db_.exec(joinSql({"Update TB_URL Set uGroup=?",
                          "where Uniqid in " + placeholders(slice.size())}),
                 params);
    });
    transaction.commit();
}

} // namespace lw
