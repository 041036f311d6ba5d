#include "item_page.hpp"

#include "items/checked_combo_widget.hpp"
#include "items/item_looks.hpp"
#include "items/item_table_model.hpp"
#include "ui/qt_text.hpp"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSignalBlocker>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>

#include <algorithm>

namespace lw::gui {

ItemPage::ItemPage(ItemView& view, ItemCommands& commands, QWidget* parent)
    : QWidget(parent), view_(view), commands_(commands) {
    setObjectName("_ListArea");
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    buildBar();
    buildList();
    buildListMenu();
    connections_.push_back(view_.barChanged.connect([this] { readBar(); }));
    connections_.push_back(
        view_.listEnabledChanged.connect([this] { setEnabled(view_.listEnabled()); }));
    connections_.push_back(commands_.focusList.connect([this] { list_->setFocus(); }));
    readBar();
}

void ItemPage::buildBar() {
    auto* bar = new QWidget(this);
    bar->setObjectName("_ListBar");
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(4, 2, 4, 2);

    select_ = new QCheckBox("宝贝列表", bar);
    select_->setObjectName("_Select");
    connect(select_, &QCheckBox::clicked, this, [this](bool on) { view_.toggleAllTicks(on); });
    row->addWidget(select_);

    row->addWidget(new QLabel("分组:", bar));
    group_ = new CheckedComboWidget(view_.group, bar);
    group_->setObjectName("_Group");
    group_->setMinimumWidth(220);
    group_->dropDownCount = 10;
    group_->onClosed = [this] { view_.groupPickerClosed(); };
    row->addWidget(group_);

    groupButton_ = new QToolButton(bar);
    groupButton_->setObjectName("_GroupManage");
    groupButton_->setText("分组管理");
    groupButton_->setPopupMode(QToolButton::InstantPopup);
    groupMenu_ = new QMenu(groupButton_);
    groupMenu_->setObjectName("_PopupMenuGroup");
    groupMenu_->addAction("新建分组", this, [this] { commands_.askNewGroup(); })
        ->setObjectName("_NewGroup");
    groupMenu_->addAction("修改组名", this, [this] { commands_.askRenameGroup(); })
        ->setObjectName("_RenameGroup");
    groupMenu_->addAction("删除分组", this, [this] { commands_.askDeleteGroups(); })
        ->setObjectName("_DeleteGroup");
    groupButton_->setMenu(groupMenu_);
    row->addWidget(groupButton_);

    row->addSpacing(8);
    row->addWidget(new QLabel("状态:", bar));
    status_ = new QComboBox(bar);
    status_->setObjectName("cmbStatus");
    for (const char* text : kStateFilterTexts)
        status_->addItem(toQ(text));
    connect(status_, &QComboBox::currentIndexChanged, this,
            [this](int index) { view_.setStatus(static_cast<StateFilter>(index)); });
    row->addWidget(status_);

    row->addWidget(new QLabel("关键字:", bar));
    keyword_ = new QLineEdit(bar);
    keyword_->setObjectName("_Keyword");
    keyword_->setMinimumWidth(180);
    connect(keyword_, &QLineEdit::textEdited, this,
            [this](const QString& text) { view_.setKeyword(fromQ(text)); });
    connect(keyword_, &QLineEdit::returnPressed, this, [this] { view_.applyFilter(); });
    row->addWidget(keyword_);

    refresh_ = new QPushButton("搜索", bar);
    refresh_->setObjectName("_Refresh");
    connect(refresh_, &QPushButton::clicked, this, [this] { view_.applyFilter(); });
    row->addWidget(refresh_);
    row->addStretch(1);
    layout()->addWidget(bar);
}

void ItemPage::buildList() {
    list_ = new QTreeView(this);
    list_->setObjectName("_RzListView");
    model_ = new ItemTableModel(view_.list, list_);
    list_->setModel(model_);
    list_->setRootIsDecorated(false);
    list_->setItemsExpandable(false);
    list_->setUniformRowHeights(true);
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_->setAllColumnsShowFocus(true);
    list_->setContextMenuPolicy(Qt::CustomContextMenu);
    // The selection stays visible when the list loses the focus.
    QPalette palette = list_->palette();
    palette.setColor(QPalette::Inactive, QPalette::Highlight,
                     palette.color(QPalette::Active, QPalette::Highlight));
    palette.setColor(QPalette::Inactive, QPalette::HighlightedText,
                     palette.color(QPalette::Active, QPalette::HighlightedText));
    list_->setPalette(palette);
    QHeaderView* header = list_->header();
    header->setSectionsClickable(true);
    header->setSectionsMovable(false);
    header->setStretchLastSection(false);
    header->setMinimumSectionSize(1);
    for (int c = 0; c < kColumnCount; ++c)
        header->resizeSection(c, kItemColumnWidths[static_cast<size_t>(c)]);
    // The state column holds a tick box and an icon before its text; it stays wide
    // enough to read "已下载" whatever the style's margins.
    int stateWidth = list_->fontMetrics().horizontalAdvance(toQ(kStateDownloaded)) + 64;
    header->resizeSection(0, std::max(kItemColumnWidths[0], stateWidth));
    connect(header, &QHeaderView::sectionClicked, this, [this](int c) { view_.sortByColumn(c); });
    // The arrow shows the sort of the core list, never one of the view's own.
    header->setSortIndicatorShown(false);
    auto showSort = [this, header] {
        if (view_.sortColumn() < 0) {
            header->setSortIndicatorShown(false);
            return;
        }
        header->setSortIndicatorShown(true);
        header->setSortIndicator(view_.sortColumn(), view_.sortedDescending() ? Qt::DescendingOrder
                                                                              : Qt::AscendingOrder);
    };
    connections_.push_back(view_.sortChanged.connect(showSort));
    showSort();

    connect(list_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this](const QItemSelection& selected, const QItemSelection& deselected) {
                if (syncing_)
                    return;
                for (const QItemSelectionRange& r : deselected)
                    for (int i = r.top(); i <= r.bottom() && i < view_.list.size(); ++i)
                        view_.list.setSelected(i, false);
                for (const QItemSelectionRange& r : selected)
                    for (int i = r.top(); i <= r.bottom() && i < view_.list.size(); ++i)
                        view_.list.setSelected(i, true);
            });
    // After the model's own reset (connected first), the view shows the core's selection.
    connections_.push_back(view_.list.reset.connect([this] { applySelectionFromList(); }));
    connections_.push_back(
        view_.list.selectionChanged.connect([this] { applySelectionFromList(); }));
    // Delete, Space and Ctrl+A reach the page before the view's own handling.
    list_->installEventFilter(this);
    connect(list_, &QTreeView::doubleClicked, this,
            [this](const QModelIndex& index) { commands_.openItemPage(index.row()); });
    connect(list_, &QTreeView::customContextMenuRequested, this,
            [this](const QPoint& at) { listMenu_->popup(list_->viewport()->mapToGlobal(at)); });
    layout()->addWidget(list_);
}

void ItemPage::buildListMenu() {
    listMenu_ = new QMenu(this);
    listMenu_->setObjectName("_PopupMenuList");
    auto add = [this](QMenu* menu, const char* name, const char* text, auto fn) {
        QAction* a = menu->addAction(toQ(text), this, fn);
        a->setObjectName(name);
        return a;
    };
    add(listMenu_, "_OpenPage", "打开所选项网页地址(&T)",
        [this] { commands_.openSelectedPages(); });
    listMenu_->addSeparator();
    add(listMenu_, "_SelectAll", "全选(&A)", [this] { view_.selectAll(); });
    add(listMenu_, "_TickAll", "全部勾选(&Q)", [this] { view_.tickAll(); });
    add(listMenu_, "_UntickAll", "取消所有勾选", [this] { view_.untickAll(); });
    add(listMenu_, "_TickSelected", "选中-勾选", [this] { view_.tickSelected(); });
    add(listMenu_, "_UntickSelected", "选中-取消勾选", [this] { view_.untickSelected(); });
    listMenu_->addSeparator();
    QMenu* copy = listMenu_->addMenu("复制文本");
    copy->setObjectName("_CopyText");
    add(copy, "_CopyURL", "复制宝贝链接地址(URL)", [this] { commands_.copySelectedText(kSubUrl); });
    add(copy, "_CopyTitle", "复制宝贝名称", [this] { commands_.copySelectedText(kSubTitle); });
    add(listMenu_, "_Export", "选中项另存为...", [this] { commands_.exportSelectedItems(); });
    add(listMenu_, "_MoveToGroup", "移动到组...", [this] { commands_.moveSelectedItems(); });
    listMenu_->addSeparator();
    add(listMenu_, "_DeleteItems", "删除选中项(&D)", [this] { commands_.deleteSelectedItems(); });
}

void ItemPage::applySelectionFromList() {
    syncing_ = true;
    QItemSelection selection;
    const auto& rows = view_.list.rows();
    int shown = model_->rowCount();
    for (int i = 0; i < shown && i < static_cast<int>(rows.size());) {
        if (!rows[static_cast<size_t>(i)].selected) {
            ++i;
            continue;
        }
        int first = i;
        while (i < shown && rows[static_cast<size_t>(i)].selected)
            ++i;
        selection.select(model_->index(first, 0), model_->index(i - 1, kColumnCount - 1));
    }
    list_->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    syncing_ = false;
}

bool ItemPage::eventFilter(QObject* watched, QEvent* event) {
    if (watched != list_ || event->type() != QEvent::KeyPress)
        return QWidget::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    const Qt::KeyboardModifiers mods = key->modifiers() & ~Qt::KeypadModifier;
    if (key->key() == Qt::Key_Delete && mods == Qt::NoModifier) {
        commands_.deleteSelectedItems();
        return true;
    }
    if (key->key() == Qt::Key_Space && mods == Qt::NoModifier) {
        QModelIndex current = list_->currentIndex();
        view_.flipTicksFrom(current.isValid() ? current.row() : -1);
        return true;
    }
    if (key->matches(QKeySequence::SelectAll)) {
        view_.selectAll();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void ItemPage::readBar() {
    QSignalBlocker a(select_), b(status_), c(keyword_);
    select_->setChecked(view_.selectBox());
    status_->setCurrentIndex(static_cast<int>(view_.status()));
    if (fromQ(keyword_->text()) != view_.keyword())
        keyword_->setText(toQ(view_.keyword()));
}

} // namespace lw::gui
