#pragma once

#include "catalog/mapping_entry.hpp"
#include "store/database.hpp"
#include "ui/dialogs.hpp"
#include "ui/signal.hpp"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace lw {

// MappingEditorLogic: the editor of TB_Mapping, the table that maps an Alibaba product
// category plus gender to a Taobao category name.
class MappingEditorLogic {
public:
    // Shows the mapping dialog modally and returns how it was closed.
    using ShowModal = std::function<ModalResult(MappingEntryLogic& dialog)>;

    MappingEditorLogic(Database& db, Dialogs& dialogs, MappingEntryLogic& dialog,
                       ShowModal showModal);

    const std::string caption = "产品类别与类目映射定义";

    // The list (_RzListView): rows as shown (trimmed), selection and current row.
    const std::vector<MappingRow>& rows() const { return rows_; }
    int currentRow() const { return current_; }
    bool isSelected(int row) const;
    int selectedCount() const;
    // The view's selection changed; current is -1 when no row is current.
    void setSelection(const std::vector<int>& selectedRows, int current);
    // Makes row the only selected row and the current one.
    void selectRow(int row);
    // The row carrying uniqid, or -1.
    int rowOf(std::int64_t uniqid) const;
    // The row the commands act on: the current row when it is selected, else the first
    // selected row; -1 when no row is selected.
    int activeRow() const;

    // The progress panel (_ProcessPanel with _lblCaption).
    bool panelVisible() const { return panelVisible_; }
    const std::string& panelCaption() const { return panelCaption_; }
    // _StatusBar: " 共 " + rows + " 项".
    const std::string& statusText() const { return statusText_; }

    void onShown();
    void reloadItems();
    void addEntry();
    void modifyEntry();
    void deleteEntries();
    void importFile();
    void selectAll();
    void closeEditor();

    Signal<> rowsChanged;        // rows and status text reloaded
    Signal<> selectionChanged;   // selection or current row set by the logic
    Signal<> panelChanged;       // progress panel shown, hidden or its text changed
    Signal<> focusListRequested; // the list should take the focus
    Signal<> closeRequested;

private:
    void showPanel(const std::string& text);
    void setPanelText(const std::string& text);
    void hidePanel();
    bool edit(ModalResult result);

    Database& db_;
    Dialogs& dialogs_;
    MappingEntryLogic& dialog_;
    ShowModal showModal_;
    std::vector<MappingRow> rows_;
    std::vector<bool> selected_;
    int current_ = -1;
    bool panelVisible_ = false;
    std::string panelCaption_ = "正在处理中...";
    std::string statusText_ = " 共 0 项";
};

} // namespace lw
