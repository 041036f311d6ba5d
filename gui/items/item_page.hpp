#pragma once

#include "items/item_commands.hpp"
#include "items/item_view.hpp"
#include "ui/signal.hpp"

#include <QWidget>

#include <vector>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QMenu;
class QPushButton;
class QToolButton;
class QTreeView;

namespace lw::gui {

class CheckedComboWidget;
class ItemTableModel;

// The item list area of the tab page: the bar (_Group, _Select, "分组管理", cmbStatus,
// _Keyword, _Refresh) and the list _RzListView with its context menu, bound to the
// ItemView and ItemCommands.
class ItemPage : public QWidget {
    Q_OBJECT
public:
    ItemPage(ItemView& view, ItemCommands& commands, QWidget* parent = nullptr);

    QTreeView* listView() const { return list_; }
    ItemTableModel* model() const { return model_; }
    QMenu* groupMenu() const { return groupMenu_; }
    CheckedComboWidget* groupPicker() const { return group_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildBar();
    void buildList();
    void buildListMenu();
    void applySelectionFromList();
    void readBar();

    ItemView& view_;
    ItemCommands& commands_;
    CheckedComboWidget* group_ = nullptr;
    QCheckBox* select_ = nullptr;
    QToolButton* groupButton_ = nullptr;
    QMenu* groupMenu_ = nullptr;
    QComboBox* status_ = nullptr;
    QLineEdit* keyword_ = nullptr;
    QPushButton* refresh_ = nullptr;
    QTreeView* list_ = nullptr;
    ItemTableModel* model_ = nullptr;
    QMenu* listMenu_ = nullptr;
    bool syncing_ = false;
    std::vector<Connection> connections_;
};

} // namespace lw::gui
