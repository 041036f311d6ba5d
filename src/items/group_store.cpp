#include "items/group_store.hpp"

#include "items/item_list.hpp"
#include "items/item_query.hpp"
#include "store/database.hpp"
#include "store/text_routines.hpp"

#include <algorithm>

namespace lw {

std::vector<Group> GroupStore::list() {
    std::vector<Group> groups;
    for (Query q = db_.query("select * from TB_Groups where Tag=?", {std::int64_t{kListKind}});
         !q.eof(); q.next())
        groups.push_back({q.integer("Uniqid"), q.text("GroupName")});
    return groups;
}

std::optional<std::int64_t> GroupStore::find(const std::string& name) {
    Query q = db_.query(joinSql({"select * from TB_Groups where GroupName=?", "and Tag=?"}),
                        {name, std::int64_t{kListKind}});
    if (q.eof())
        return std::nullopt;
    return q.integer("Uniqid");
}

namespace {

// Control bytes, C1 controls and the direction marks and overrides: they break the
// lists a name is shown in.
bool hasControlCharacters(const std::string& name) {
    static const char* const kMarks[] = {
        "\xD8\x9C", // U+061C
        "\xE2\x80\x8E", "\xE2\x80\x8F", "\xE2\x80\xAA", "\xE2\x80\xAB",
        "\xE2\x80\xAC", "\xE2\x80\xAD", "\xE2\x80\xAE", "\xE2\x81\xA6",
        "\xE2\x81\xA7", "\xE2\x81\xA8", "\xE2\x81\xA9",
    };
    for (std::size_t i = 0; i < name.size(); ++i) {
        const auto c = static_cast<unsigned char>(name[i]);
        if (c < 0x20 || c == 0x7F)
            return true;
        // U+0080 to U+009F.
        if (c == 0xC2 && i + 1 < name.size() && static_cast<unsigned char>(name[i + 1]) >= 0x80 &&
            static_cast<unsigned char>(name[i + 1]) <= 0x9F)
            return true;
    }
    for (const char* mark : kMarks)
        if (name.find(mark) != std::string::npos)
            return true;
    return false;
}

std::optional<Refusal> checkName(const std::string& name, const char* emptyText) {
    if (name.empty())
        return Refusal{emptyText, Icon::Information};
    if (name.find(',') != std::string::npos)
        return Refusal{"组名不能包含逗号\",\",请重新输入组名.", Icon::Warning};
    if (hasControlCharacters(name))
        return Refusal{"组名不能包含控制字符(换行、制表符、方向控制符等),请重新输入组名.",
                       Icon::Warning};
    return std::nullopt;
}

} // namespace

std::optional<Refusal> GroupStore::add(const std::string& typed) {
    std::string name = trim(typed);
    if (auto refusal = checkName(name, "新建失败,组名不能为空."))
        return refusal;
    if (exists(name))
        return Refusal{"\"" + name + "\"该组已存在,请重新输入组名.", Icon::Warning};
    db_.exec(joinSql({"Insert Into TB_Groups(GroupName,Tag)", "Select ?", ",?"}),
             {name, std::int64_t{kListKind}});
    return std::nullopt;
}

std::optional<Refusal> GroupStore::rename(std::int64_t id, const std::string& typed) {
    std::string name = trim(typed);
    if (auto refusal = checkName(name, "修改失败,组名不能为空."))
        return refusal;
    std::optional<std::int64_t> holder = find(name);
    if (holder == id)
        return std::nullopt;
    if (holder)
        return Refusal{"\"" + name + "\"该组已存在,请重新输入组名.", Icon::Warning};
    db_.exec("Update Tb_Groups Set Groupname=? where Uniqid=?", {name, id});
    return std::nullopt;
}

std::string deleteGroupsQuestion(const std::string& names) {
    return "是否要删除所选组:\"" + names + "\"\r\n\r\n注意:删除组将会删除该组下所有人员,是否继续?";
}

void GroupStore::remove(const std::vector<std::int64_t>& ids) {
    Transaction transaction(db_);
    forEachIdSlice(ids, [&](const std::vector<std::int64_t>& slice) {
        DbParams params(slice.begin(), slice.end());
        // The Item Links first, then their Groups.
        db_.exec("delete from tb_url where uGroup in " + placeholders(slice.size()), params);
        db_.exec("Delete From TB_Groups Where Uniqid in " + placeholders(slice.size()), params);
    });
    if (std::find(ids.begin(), ids.end(), kNoGroup) != ids.end())
        db_.exec("delete from tb_url where tag=? and uGroup not in (select Uniqid from TB_Groups)",
                 {std::int64_t{kListKind}});
    transaction.commit();
}

} // namespace lw
