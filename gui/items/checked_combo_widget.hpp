#pragma once

#include "items/checked_combo_box.hpp"
#include "ui/signal.hpp"

#include <QFrame>
#include <QWidget>

#include <functional>
#include <vector>

class QLineEdit;
class QListWidget;
class QToolButton;

namespace lw::gui {

// The look of CheckedComboBox: a read-only box with the picker text and a button that
// opens the drop-down list of tick boxes (with its "全选"/"取消全选" menu).
class CheckedComboWidget : public QWidget {
    Q_OBJECT
public:
    CheckedComboWidget(CheckedComboBox& model, QWidget* parent = nullptr);

    // Rows the drop-down shows (kept between 6 and 10).
    int dropDownCount = 10;
    // The drop-down closed (by a click elsewhere, the button or Escape).
    std::function<void()> onClosed;

    void showPopup();
    void hidePopup();
    bool popupVisible() const;
    QListWidget* listWidget() const { return list_; }
    QLineEdit* textBox() const { return edit_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void rebuild();
    void refresh();

    CheckedComboBox& model_;
    QLineEdit* edit_;
    QToolButton* button_;
    QFrame* popup_;
    QListWidget* list_;
    std::vector<Connection> connections_;
};

} // namespace lw::gui
