#include "catalog/mapping_entry.hpp"

#include "store/text_routines.hpp"

namespace lw {

MappingEntryLogic::MappingEntryLogic(Database& db, Dialogs& dialogs) : db_(db), dialogs_(dialogs) {}

void MappingEntryLogic::prepareAdd() {
    caption = "添加项";
    category.clear();
    gender.clear();
    taobaoName.clear();
    rowId = 0;
    changed.emit();
}

void MappingEntryLogic::prepareModify(const MappingRow& row) {
    caption = "修改项";
    category = row.category;
    gender = row.gender;
    taobaoName = row.taobaoName;
    rowId = row.uniqid;
    changed.emit();
}

void MappingEntryLogic::onShown() {
    modalResult = ModalResult::None;
    focus = MappingEntryField::Category;
    changed.emit();
}

void MappingEntryLogic::confirm() {
    std::string category = trim(this->category);
    std::string gender = trim(this->gender);
    std::string target = trim(taobaoName);
    if (category.empty()) {
        dialogs_.message("提示", "请输入阿里巴巴产品类别名.", Icon::Warning);
        focus = MappingEntryField::Category;
        changed.emit();
        return;
    }

    // The key is the joined text, so "ab"+"" clashes with "a"+"b".
    std::string key = category + gender;
    const std::string sql = "select count(*) from TB_Mapping where FromValue01||FromValue02=?";
    Query existing =
        rowId == 0 ? db_.query(sql, {key}) : db_.query(sql + " and uniqid<>?", {key, rowId});
    if (existing.first() != "0") {
        dialogs_.message("提示", "值:\"" + key + "\" 已存在,请重新输入.", Icon::Warning);
        focus = MappingEntryField::Category;
        changed.emit();
        return;
    }

    if (rowId == 0) {
        db_.exec(joinSql({"Insert Into TB_Mapping(FromValue01,FromValue02,ToValue)", "values",
                          "(?,", "?,", "?)"}),
                 {category, gender, target});
    } else {
        db_.exec(joinSql({"update TB_Mapping set", "FromValue01=?,", "FromValue02=?,", "ToValue=?",
                          "where uniqid=?"}),
                 {category, gender, target, rowId});
    }
    close(ModalResult::Ok);
}

void MappingEntryLogic::cancel() {
    close(ModalResult::Cancel);
}

void MappingEntryLogic::close(ModalResult result) {
    modalResult = result;
    closeRequested.emit();
}

} // namespace lw
