#include "catalog/mapping_editor_window.hpp"

#include "catalog/mapping_entry_window.hpp"
#include "ui/progress_frame.hpp"

#include <QAction>
#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QStatusBar>
#include <QToolBar>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace lw::gui {

namespace {

QString qs(const std::string& text) {
    return QString::fromStdString(text);
}

QAction* makeAction(QObject* parent, const char* name, const char* caption,
                    std::function<void()> run) {
    auto* action = new QAction(QString::fromUtf8(caption), parent);
    action->setObjectName(name);
    QObject::connect(action, &QAction::triggered, parent, [run = std::move(run)] { run(); });
    return action;
}

} // namespace

MappingEditorWindow::MappingEditorWindow(Database& db, Dialogs& dialogs, QWidget* parent)
    : QDialog(parent), modi_(db, dialogs), admin_(db, dialogs, modi_, [this](MappingEntryLogic&) {
          return dialogWindow_->showModal();
      }) {
    setObjectName("TfrmFormAdmin");
    setWindowTitle(qs(admin_.caption));
    setModal(true);
    resize(420, 360);
    dialogWindow_ = new MappingEntryWindow(modi_, this);

    auto* toolbar = new QToolBar(this);
    toolbar->setObjectName("_ToolBar");
    toolbar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    QAction* add = makeAction(this, "_Add", "添加新项", [this] { admin_.addEntry(); });
    QAction* modi = makeAction(this, "_Modi", "修改项", [this] { admin_.modifyEntry(); });
    QAction* del = makeAction(this, "_Del", "删除项", [this] { admin_.deleteEntries(); });
    QAction* import = makeAction(this, "_Import", "导入", [this] { admin_.importFile(); });
    QAction* close = makeAction(this, "_Close", "关闭", [this] { admin_.closeEditor(); });
    for (QAction* action : {add, modi, del, import, close})
        toolbar->addAction(action);

    list_ = new QTreeWidget(this);
    list_->setObjectName("_RzListView");
    list_->setColumnCount(3);
    list_->setHeaderLabels({"阿里巴巴产品类别名", "阿里巴巴适用性别", "对应淘宝类目名称"});
    for (int column = 0; column < 3; ++column)
        list_->setColumnWidth(column, 120);
    list_->setRootIsDecorated(false);
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_->setContextMenuPolicy(Qt::CustomContextMenu);

    popup_ = new QMenu(this);
    popup_->setObjectName("_PopupMenu");
    popup_->addAction(makeAction(this, "N6", "全选", [this] { admin_.selectAll(); }));
    popup_->addSeparator();
    popup_->addAction(makeAction(this, "N7", "添加新项", [this] { admin_.addEntry(); }));
    popup_->addAction(makeAction(this, "N8", "修改项", [this] { admin_.modifyEntry(); }));
    popup_->addSeparator();
    popup_->addAction(makeAction(this, "N10", "删除项", [this] { admin_.deleteEntries(); }));
    connect(list_, &QTreeWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { popup_->popup(list_->viewport()->mapToGlobal(at)); });

    statusBar_ = new QStatusBar(this);
    statusBar_->setObjectName("_StatusBar");
    statusBar_->setSizeGripEnabled(false);
    status_ = new QLabel(statusBar_);
    statusBar_->addWidget(status_, 1);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(toolbar);
    layout->addWidget(list_, 1);
    layout->addWidget(statusBar_);

    panel_ = new ProgressFrame(this, false);
    panel_->captionLabel()->setAlignment(Qt::AlignCenter);

    connect(list_, &QTreeWidget::itemSelectionChanged, this, [this] { pushSelection(); });
    connect(list_, &QTreeWidget::currentItemChanged, this, [this] { pushSelection(); });
    connect(list_, &QTreeWidget::itemDoubleClicked, this, [this] { admin_.modifyEntry(); });

    connections_.push_back(admin_.rowsChanged.connect([this] { fillList(); }));
    connections_.push_back(admin_.selectionChanged.connect([this] { pullSelection(); }));
    connections_.push_back(admin_.panelChanged.connect([this] { pullPanel(); }));
    connections_.push_back(admin_.focusListRequested.connect([this] { list_->setFocus(); }));
    connections_.push_back(admin_.closeRequested.connect([this] { accept(); }));
    fillList();
    pullPanel();
}

void MappingEditorWindow::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    admin_.onShown();
}

void MappingEditorWindow::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    placePanel();
}

void MappingEditorWindow::fillList() {
    pulling_ = true;
    list_->setUpdatesEnabled(false);
    list_->clear();
    QList<QTreeWidgetItem*> items;
    items.reserve(static_cast<qsizetype>(admin_.rows().size()));
    for (const MappingRow& row : admin_.rows()) {
        auto* item =
            new QTreeWidgetItem(QStringList{qs(row.category), qs(row.gender), qs(row.taobaoName)});
        item->setData(0, Qt::UserRole, QVariant::fromValue<qlonglong>(row.uniqid));
        items.append(item);
    }
    list_->addTopLevelItems(items);
    list_->setUpdatesEnabled(true);
    status_->setText(qs(admin_.statusText()));
    pulling_ = false;
}

void MappingEditorWindow::pullSelection() {
    pulling_ = true;
    QItemSelectionModel* model = list_->selectionModel();
    model->clearSelection();
    int count = list_->topLevelItemCount();
    if (admin_.selectedCount() == count && count > 0) {
        list_->selectAll();
    } else {
        for (int row = 0; row < count; ++row)
            if (admin_.isSelected(row))
                list_->topLevelItem(row)->setSelected(true);
    }
    int current = admin_.currentRow();
    if (current >= 0)
        model->setCurrentIndex(list_->model()->index(current, 0), QItemSelectionModel::NoUpdate);
    pulling_ = false;
}

void MappingEditorWindow::pushSelection() {
    if (pulling_)
        return;
    std::vector<int> selected;
    for (QTreeWidgetItem* item : list_->selectedItems())
        selected.push_back(list_->indexOfTopLevelItem(item));
    QTreeWidgetItem* current = list_->currentItem();
    admin_.setSelection(selected, current ? list_->indexOfTopLevelItem(current) : -1);
}

void MappingEditorWindow::pullPanel() {
    panel_->follow(admin_.panelCaption(), admin_.panelVisible());
    if (admin_.panelVisible()) {
        placePanel();
        // The import does not return to the event loop; paint the progress text now.
        panel_->repaint();
    }
}

void MappingEditorWindow::placePanel() {
    QSize size(qMax(260, width() / 2), 60);
    panel_->setGeometry((width() - size.width()) / 2, (height() - size.height()) / 2, size.width(),
                        size.height());
}

} // namespace lw::gui
