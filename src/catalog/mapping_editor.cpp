#include "catalog/mapping_editor.hpp"

#include "catalog/mapping_import.hpp"
#include "catalog/mapping_table.hpp"
#include "store/text_routines.hpp"

#include <algorithm>
#include <utility>

namespace lw {

namespace {

const char* const kTitle = "提示";

} // namespace

MappingEditorLogic::MappingEditorLogic(Database& db, Dialogs& dialogs, MappingEntryLogic& dialog,
                                       ShowModal showModal)
    : db_(db), dialogs_(dialogs), dialog_(dialog), showModal_(std::move(showModal)) {}

bool MappingEditorLogic::isSelected(int row) const {
    return row >= 0 && row < static_cast<int>(selected_.size()) && selected_[row];
}

int MappingEditorLogic::selectedCount() const {
    return static_cast<int>(std::count(selected_.begin(), selected_.end(), true));
}

void MappingEditorLogic::setSelection(const std::vector<int>& selectedRows, int current) {
    selected_.assign(rows_.size(), false);
    for (int row : selectedRows)
        if (row >= 0 && row < static_cast<int>(rows_.size()))
            selected_[row] = true;
    current_ = current >= 0 && current < static_cast<int>(rows_.size()) ? current : -1;
}

void MappingEditorLogic::selectRow(int row) {
    setSelection({row}, row);
    selectionChanged.emit();
}

int MappingEditorLogic::rowOf(std::int64_t uniqid) const {
    for (size_t i = 0; i < rows_.size(); ++i)
        if (rows_[i].uniqid == uniqid)
            return static_cast<int>(i);
    return -1;
}

int MappingEditorLogic::activeRow() const {
    if (isSelected(current_))
        return current_;
    for (size_t i = 0; i < selected_.size(); ++i)
        if (selected_[i])
            return static_cast<int>(i);
    return -1;
}

void MappingEditorLogic::onShown() {
    reloadItems();
}

void MappingEditorLogic::reloadItems() {
    rows_ = MappingTable(db_).list();
    selected_.assign(rows_.size(), false);
    current_ = -1;
    statusText_ = " 共 " + std::to_string(rows_.size()) + " 项";
    rowsChanged.emit();
    selectionChanged.emit();
}

bool MappingEditorLogic::edit(ModalResult result) {
    if (result != ModalResult::Ok)
        return false;
    reloadItems();
    return true;
}

void MappingEditorLogic::addEntry() {
    dialog_.prepareAdd();
    edit(showModal_(dialog_));
}

void MappingEditorLogic::modifyEntry() {
    int row = activeRow();
    if (row < 0) {
        dialogs_.message(kTitle, "请选择要修改的项.", Icon::Warning);
        return;
    }
    dialog_.prepareModify(rows_[row]);
    edit(showModal_(dialog_));
}

void MappingEditorLogic::deleteEntries() {
    int row = activeRow();
    if (row < 0) {
        dialogs_.message(kTitle, "请选择要删除的项", Icon::Warning);
        focusListRequested.emit();
        return;
    }
    std::vector<std::int64_t> ids;
    for (size_t i = 0; i < rows_.size(); ++i)
        if (selected_[i])
            ids.push_back(rows_[i].uniqid);
    if (!dialogs_.confirmDestructive(kTitle,
                                     deleteMappingsQuestion(ids.size(), rows_[row].category)))
        return;
    MappingTable(db_).remove(ids);
    reloadItems();
}

void MappingEditorLogic::importFile() {
    FileDialogRequest request;
    request.title = "导入格式(带标题):阿里巴巴产品类别名,阿里巴巴适用性别,对应淘宝类目名称";
    request.defaultExtension = "csv";
    request.filter = "*.csv(csv格式)|*.csv;*.txt";
    std::optional<std::string> file = dialogs_.openFile(request);
    if (!file || file->empty())
        return;
    if (!dialogs_.confirmDestructive(kTitle, "请确认是否要从文件导入数据?"))
        return;

    showPanel("正在加载导入文件...");
    std::vector<std::string> lines;
    std::string error = readImportFile(*file, lines);
    MappingImport imported;
    imported.error = error;
    if (error.empty())
        imported = MappingTable(db_).importLines(lines, [this](size_t line, size_t total) {
            setPanelText("正在从文件导入...(" + std::to_string(line) + "/" + std::to_string(total) +
                         ")");
        });
    hidePanel();
    Refusal report = mappingImportReport(imported);
    dialogs_.message(kTitle, report.text, report.icon);
    reloadItems();
}

void MappingEditorLogic::selectAll() {
    selected_.assign(rows_.size(), true);
    selectionChanged.emit();
}

void MappingEditorLogic::closeEditor() {
    closeRequested.emit();
}

void MappingEditorLogic::showPanel(const std::string& text) {
    panelVisible_ = true;
    panelCaption_ = text;
    panelChanged.emit();
}

void MappingEditorLogic::setPanelText(const std::string& text) {
    panelCaption_ = text;
    panelChanged.emit();
}

void MappingEditorLogic::hidePanel() {
    panelVisible_ = false;
    panelChanged.emit();
}

} // namespace lw
