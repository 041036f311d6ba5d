#pragma once

#include "store/database.hpp"
#include "ui/dialogs.hpp"
#include "ui/signal.hpp"

#include <cstdint>
#include <string>

namespace lw {

// The controls of the mapping dialog that can hold the focus, in tab order.
enum class MappingEntryField { Category, Gender, TaobaoName, Confirm, Cancel };
enum class ModalResult { None, Ok, Cancel };

// One mapping as the editor's list shows it.
struct MappingRow {
    std::int64_t uniqid = 0;
    std::string category;   // Alibaba product category
    std::string gender;     // Alibaba gender, may be empty
    std::string taobaoName; // Taobao category name
};

// MappingEntryLogic: adds one mapping (row id 0) or edits the row with the given id.
class MappingEntryLogic {
public:
    MappingEntryLogic(Database& db, Dialogs& dialogs);

    std::string caption;
    std::string category;
    std::string gender;
    std::string taobaoName;
    std::int64_t rowId = 0;
    MappingEntryField focus = MappingEntryField::Category;
    ModalResult modalResult = ModalResult::None;

    // Caption "添加项", fields emptied, row id 0.
    void prepareAdd();
    // Caption "修改项", fields and row id from row.
    void prepareModify(const MappingRow& row);

    void onShown();
    void confirm();
    void cancel();

    // Texts, caption or focus changed: the view reads them again.
    Signal<> changed;
    // modalResult was set: the view closes.
    Signal<> closeRequested;

private:
    void close(ModalResult result);
    Database& db_;
    Dialogs& dialogs_;
};

} // namespace lw
