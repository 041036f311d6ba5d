#include "catalog/mapping_entry.hpp"

#include "catalog/mapping_table.hpp"
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
    if (auto refusal = MappingTable(db_).save(rowId, category, gender, taobaoName)) {
        dialogs_.message("提示", refusal->text, refusal->icon);
        focus = MappingEntryField::Category;
        changed.emit();
        return;
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
