#pragma once

#include "store/database.hpp"
#include "ui/dialogs.hpp"
#include "ui/signal.hpp"

#include <cstdint>
#include <string>

namespace lw {

// The controls of the mapping dialog that can hold the focus, in tab order.
enum class ModiField { FromValue01, FromValue02, ToValue, OK, Cancle };
enum class ModalResult { None, Ok, Cancel };

// One mapping as the editor's list shows it.
struct MappingRow {
    std::int64_t uniqid = 0;
    std::string fromValue01; // Alibaba product category
    std::string fromValue02; // Alibaba gender, may be empty
    std::string toValue;     // Taobao category name
};

// TfrmFormModi: adds one mapping (row id 0) or edits the row with the given id.
class TfrmFormModi {
public:
    TfrmFormModi(Database& db, Dialogs& dialogs);

    std::string caption;
    std::string fromValue01;
    std::string fromValue02;
    std::string toValue;
    std::int64_t rowId = 0;
    ModiField focus = ModiField::FromValue01;
    ModalResult modalResult = ModalResult::None;

    // Caption "添加项", fields emptied, row id 0.
    void prepareAdd();
    // Caption "修改项", fields and row id from row.
    void prepareModify(const MappingRow& row);

    void FormShow();
    void OKClick();
    void CancleClick();

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
