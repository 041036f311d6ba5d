#include "catalog/mapping_editor.hpp"

#include "catalog/mapping_import.hpp"
#include "store/text_routines.hpp"

#include <algorithm>
#include <utility>

namespace lw {

namespace {

const char* const kTitle = "提示";
// The engine takes at most 999 bound values per statement.
constexpr size_t kDeleteBatch = 500;

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
    rows_.clear();
    for (Query q = db_.query("select * from TB_Mapping"); !q.eof(); q.next()) {
        rows_.push_back({q.integer("Uniqid"), trim(q.text("FromValue01")),
                         trim(q.text("FromValue02")), trim(q.text("ToValue"))});
    }
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
    std::string question = ids.size() == 1
                               ? "是否要删除: " + rows_[row].category
                               : "是否要删除选中的 " + std::to_string(ids.size()) + " 个项?";
    if (!dialogs_.question(kTitle, question))
        return;

    Transaction transaction(db_);
    for (size_t start = 0; start < ids.size(); start += kDeleteBatch) {
        size_t end = std::min(ids.size(), start + kDeleteBatch);
        std::string marks;
        for (size_t i = start; i < end; ++i)
            marks += i == start ? "?" : ",?";
        DbParams params(ids.begin() + start, ids.begin() + end);
        db_.exec("Delete From TB_Mapping where Uniqid in (" + marks + ")", params);
    }
    transaction.commit();
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
    if (!dialogs_.question(kTitle, "请确认是否要从文件导入数据?"))
        return;

    showPanel("正在加载导入文件...");
    std::vector<std::string> lines;
    std::string error = readImportFile(*file, lines);
    int count = 0;
    if (error.empty()) {
        try {
            // One transaction for speed; the lines before a failing line are kept.
            Transaction transaction(db_);
            std::string total = std::to_string(lines.empty() ? 0 : lines.size() - 1);
            for (size_t i = 1; i < lines.size(); ++i) {
                const std::string& line = lines[i];
                if (trim(line).empty())
                    continue;
                setPanelText("正在从文件导入...(" + std::to_string(i) + "/" + total + ")");
                std::vector<std::string> fields = splitText(line, ",");
                if (fields.size() != 3) {
                    error = "第 " + std::to_string(i) + " 行有 " + std::to_string(fields.size()) +
                            " 个字段,应为 3 个: " + line;
                    break;
                }
                error =
                    db_.tryExec(joinSql({"insert into TB_Mapping(FromValue01,FromValue02,ToValue)",
                                         "values (?,?,?)"}),
                                {fields[0], fields[1], fields[2]});
                if (!error.empty())
                    break;
                ++count;
            }
            transaction.commit();
        } catch (const DbError& e) {
            error = e.what();
            count = 0;
        }
    }
    hidePanel();
    if (error.empty()) {
        dialogs_.message(kTitle, "导入成功,请确认. 共 " + std::to_string(count) + " 项",
                         Icon::Information);
    } else {
        dialogs_.message(kTitle,
                         "导入失败请检查csv文件内容是否正确.\r\n其中 " + std::to_string(count) +
                             " 项已被导入." + "ERROR:" + error,
                         Icon::Warning);
    }
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
