#include "catalog/mapping_dialog.hpp"

#include "store/text_routines.hpp"

namespace lw {

TfrmFormModi::TfrmFormModi(Database& db, Dialogs& dialogs) : db_(db), dialogs_(dialogs) {}

void TfrmFormModi::prepareAdd() {
    caption = "添加项";
    fromValue01.clear();
    fromValue02.clear();
    toValue.clear();
    rowId = 0;
    changed.emit();
}

void TfrmFormModi::prepareModify(const MappingRow& row) {
    caption = "修改项";
    fromValue01 = row.fromValue01;
    fromValue02 = row.fromValue02;
    toValue = row.toValue;
    rowId = row.uniqid;
    changed.emit();
}

void TfrmFormModi::FormShow() {
    modalResult = ModalResult::None;
    focus = ModiField::FromValue01;
    changed.emit();
}

void TfrmFormModi::OKClick() {
    std::string category = Trim(fromValue01);
    std::string gender = Trim(fromValue02);
    std::string target = Trim(toValue);
    if (category.empty()) {
        dialogs_.message("提示", "请输入阿里巴巴产品类别名.", Icon::Warning);
        focus = ModiField::FromValue01;
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
        focus = ModiField::FromValue01;
        changed.emit();
        return;
    }

    if (rowId == 0) {
        db_.exec(JoinSql({"Insert Into TB_Mapping(FromValue01,FromValue02,ToValue)", "values",
                          "(?,", "?,", "?)"}),
                 {category, gender, target});
    } else {
        db_.exec(JoinSql({"update TB_Mapping set", "FromValue01=?,", "FromValue02=?,", "ToValue=?",
                          "where uniqid=?"}),
                 {category, gender, target, rowId});
    }
    close(ModalResult::Ok);
}

void TfrmFormModi::CancleClick() {
    close(ModalResult::Cancel);
}

void TfrmFormModi::close(ModalResult result) {
    modalResult = result;
    closeRequested.emit();
}

} // namespace lw
