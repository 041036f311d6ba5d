#include "items/group_store.hpp"

#include "items/item_list.hpp"
#include "items/item_query.hpp"
#include "store/database.hpp"
#include "store/text_routines.hpp"

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

std::optional<Refusal> GroupStore::add(const std::string& name) {
    // Not trimmed: blanks alone count as a name.
    if (name.empty())
        return Refusal{"新建失败,组名不能为空.", Icon::Information};
    if (exists(name))
        return Refusal{"\"" + name + "\"该组已存在,请重新输入组名.", Icon::Warning};
    db_.exec(joinSql({"Insert Into TB_Groups(GroupName,Tag)", "Select ?", ",?"}),
             {name, std::int64_t{kListKind}});
    return std::nullopt;
}

std::optional<Refusal> GroupStore::rename(const std::string& oldName, const std::string& newName) {
    if (newName.empty())
        return Refusal{"修改失败,组名不能为空.", Icon::Information};
    if (newName == oldName)
        return std::nullopt;
    if (exists(newName))
        return Refusal{"\"" + newName + "\"该组已存在,请重新输入组名.", Icon::Warning};
    // Every Group of that name, whatever its list kind.
    db_.exec("Update Tb_Groups Set Groupname=? where Groupname=?", {newName, oldName});
    return std::nullopt;
}

std::string deleteGroupsQuestion(const std::string& names) {
    return "是否要删除所选组:\"" + names + "\"\r\n\r\n注意:删除组将会删除该组下所有人员,是否继续?";
}

void GroupStore::remove(const std::vector<std::string>& names) {
    std::string pickerText;
    for (const std::string& name : names)
        pickerText += (pickerText.empty() ? "" : ",") + name;
    Transaction transaction(db_);
    // The Item Links first, then their Groups.
    {
        DbParams params{std::int64_t{kListKind}};
        std::string filter = groupNameCondition(pickerText, params);
        db_.exec(joinSql({"delete from tb_url",
                          "where uGroup in (select Uniqid from TB_Groups where 1=1", "and Tag=?",
                          filter + ")"}),
                 params);
    }
    {
        DbParams params{std::int64_t{kListKind}};
        std::string filter = groupNameCondition(pickerText, params);
        db_.exec(joinSql({"Delete From TB_Groups Where 1=1", "and Tag=?", filter}), params);
    }
    transaction.commit();
}

} // namespace lw
