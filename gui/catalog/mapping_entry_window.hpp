#pragma once

#include "catalog/mapping_entry.hpp"
#include "ui/signal.hpp"

#include <QDialog>

#include <vector>

class QLineEdit;
class QPushButton;

namespace lw::gui {

// MappingEntryLogic's looks: three edit boxes with their labels, "确认" and "取消".
class MappingEntryWindow : public QDialog {
    Q_OBJECT
public:
    MappingEntryWindow(MappingEntryLogic& logic, QWidget* parent = nullptr);

    // Shows the dialog modally for the state the editor prepared.
    ModalResult showModal();

protected:
    void reject() override;

private:
    void pull();
    QLineEdit* fieldOf(MappingEntryField field) const;

    MappingEntryLogic& logic_;
    QLineEdit* fromValue01_;
    QLineEdit* fromValue02_;
    QLineEdit* toValue_;
    QPushButton* ok_;
    QPushButton* cancle_;
    std::vector<Connection> connections_;
};

} // namespace lw::gui
