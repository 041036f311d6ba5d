#include "catalog/mapping_table.hpp"

#include "store/database.hpp"
#include "store/text_routines.hpp"

#include <algorithm>

namespace lw {

namespace {

// The engine takes at most 999 bound values per statement.
constexpr size_t kDeleteBatch = 500;

} // namespace

std::vector<MappingRow> MappingTable::list() {
    std::vector<MappingRow> rows;
    for (Query q = db_.query("select * from TB_Mapping"); !q.eof(); q.next())
        rows.push_back({q.integer("Uniqid"), trim(q.text("FromValue01")),
                        trim(q.text("FromValue02")), trim(q.text("ToValue"))});
    return rows;
}

std::optional<Refusal> MappingTable::save(std::int64_t id, const std::string& categoryText,
                                          const std::string& genderText,
                                          const std::string& taobaoName) {
    std::string category = trim(categoryText);
    std::string gender = trim(genderText);
    std::string target = trim(taobaoName);
    if (category.empty())
        return Refusal{"请输入阿里巴巴产品类别名.", Icon::Warning};
    // The key is the joined text, so "ab"+"" clashes with "a"+"b".
    std::string key = category + gender;
    const std::string sql = "select count(*) from TB_Mapping where FromValue01||FromValue02=?";
    Query existing = id == 0 ? db_.query(sql, {key}) : db_.query(sql + " and uniqid<>?", {key, id});
    if (existing.first() != "0")
        return Refusal{"值:\"" + key + "\" 已存在,请重新输入.", Icon::Warning};
    if (id == 0) {
        db_.exec(joinSql({"Insert Into TB_Mapping(FromValue01,FromValue02,ToValue)", "values",
                          "(?,", "?,", "?)"}),
                 {category, gender, target});
    } else {
        db_.exec(joinSql({"update TB_Mapping set", "FromValue01=?,", "FromValue02=?,", "ToValue=?",
                          "where uniqid=?"}),
                 {category, gender, target, id});
    }
    return std::nullopt;
}

void MappingTable::remove(const std::vector<std::int64_t>& ids) {
    Transaction transaction(db_);
    for (size_t start = 0; start < ids.size(); start += kDeleteBatch) {
        size_t end = std::min(ids.size(), start + kDeleteBatch);
        std::string marks;
        for (size_t i = start; i < end; ++i)
            marks += i == start ? "?" : ",?";
        DbParams params(ids.begin() + static_cast<std::ptrdiff_t>(start),
                        ids.begin() + static_cast<std::ptrdiff_t>(end));
        db_.exec("Delete From TB_Mapping where Uniqid in (" + marks + ")", params);
    }
    transaction.commit();
}

MappingImport MappingTable::importLines(const std::vector<std::string>& lines,
                                        const std::function<void(size_t, size_t)>& progress) {
    MappingImport result;
    try {
        Transaction transaction(db_);
        size_t total = lines.empty() ? 0 : lines.size() - 1;
        for (size_t i = 1; i < lines.size(); ++i) {
            const std::string& line = lines[i];
            if (trim(line).empty())
                continue;
            if (progress)
                progress(i, total);
            std::vector<std::string> fields = splitText(line, ",");
            if (fields.size() != 3) {
                result.error = "第 " + std::to_string(i) + " 行有 " +
                               std::to_string(fields.size()) + " 个字段,应为 3 个: " + line;
                break;
            }
            Query existing =
                db_.query("select count(*) from TB_Mapping where FromValue01||FromValue02=?",
                          {trim(fields[0]) + trim(fields[1])});
            if (existing.first() != "0") {
                ++result.skipped;
                continue;
            }
            result.error =
                db_.tryExec(joinSql({"insert into TB_Mapping(FromValue01,FromValue02,ToValue)",
                                     "values (?,?,?)"}),
                            {fields[0], fields[1], fields[2]});
            if (!result.error.empty())
                break;
            ++result.count;
        }
        transaction.commit();
    } catch (const DbError& e) {
        result.error = e.what();
        result.count = 0;
    }
    return result;
}

Refusal mappingImportReport(const MappingImport& imported) {
    std::string skipped = imported.skipped == 0
                              ? std::string()
                              : ",另有 " + std::to_string(imported.skipped) + " 项已存在,未导入";
    if (imported.error.empty())
        return {"导入成功,请确认. 共 " + std::to_string(imported.count) + " 项" + skipped,
                Icon::Information};
    return {"导入失败请检查csv文件内容是否正确.\r\n其中 " + std::to_string(imported.count) +
                " 项已被导入." + "ERROR:" + imported.error,
            Icon::Warning};
}

std::string deleteMappingsQuestion(std::size_t count, const std::string& firstCategory) {
    return count == 1 ? "是否要删除: " + firstCategory
                      : "是否要删除选中的 " + std::to_string(count) + " 个项?";
}

} // namespace lw
