#include "app/desktop_frame.hpp"
#include "app/main_window.hpp"
#include "app/main_window_widget.hpp"
#include "fake_clock.hpp"
#include "items/checked_combo_widget.hpp"
#include "items/item_looks.hpp"
#include "items/item_page.hpp"
#include "platform/platform.hpp"
#include "scripted_dialogs.hpp"
#include "store/database.hpp"
#include "temp_dir.hpp"
#include "ui/panel_geometry.hpp"
#include "ui/qt_event_loop.hpp"
#include "ui/qt_text.hpp"
#include "wait_for.hpp"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QStatusBar>
#include <QSystemTrayIcon>
#include <QTabWidget>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>
#include <gtest/gtest.h>

// Readable failures.
void PrintTo(const QString& text, std::ostream* out) {
    *out << text.toStdString();
}

using namespace lw;
using namespace lw::gui;
using namespace lw::test;

namespace {

class MainWindowGui : public ::testing::Test {
protected:
    MainWindowGui() : db(makeTestDatabase(dir.path())) {
        std::int64_t g = addGroup("女装");
        addGroup("男装");
        db->exec("insert into TB_URL(tag,uGroup,num_iid,detail_url,title,SaleNum,SalePrice) "
                 "select 0,?,'11','http://detail.1688.com/offer/11.html','连衣裙',9,12.5",
                 {g});
        db->exec("insert into TB_URL(tag,uGroup,num_iid,detail_url,title,SaleNum,SalePrice) "
                 "select 0,?,'12','http://detail.1688.com/offer/12.html','半身裙',10,8",
                 {g});
        frame = std::make_unique<DesktopFrame>(Ports{*db, dialogs, desktop, loop, clock});
        logic = std::make_unique<MainWindowLogic>(Ports{*db, dialogs, desktop, loop, clock}, *frame,
                                                  dir.path());
        logic->homeFolder = dir.path();
        logic->version = "1.0.0.1";
        logic->loadDelayMs = 0;
        window = std::make_unique<MainWindowWidget>(*logic, *frame);
        logic->initialise();
        window->show();
        logic->onShown();
        EXPECT_TRUE(waitFor([&] { return logic->trayMenuAttached(); }));
    }

    std::int64_t addGroup(const std::string& name) {
        db->exec("insert into TB_Groups(GroupName,Tag) select ?,0", {name});
        return db->lastInsertId();
    }

    template <typename T> T* child(const char* name) {
        T* w = window->findChild<T*>(name);
        EXPECT_NE(w, nullptr) << name;
        return w;
    }

    QAction* action(const char* name) { return child<QAction>(name); }

    TempDir dir;
    std::unique_ptr<Database> db;
    ScriptedDialogs dialogs;
    FakeDesktop desktop;
    QtEventLoop loop;
    FakeClock clock;
    std::unique_ptr<DesktopFrame> frame;
    std::unique_ptr<MainWindowLogic> logic;
    std::unique_ptr<MainWindowWidget> window;
};

QString text(QAction* a) {
    return a ? a->text() : QString();
}

TEST(PanelPlacement, RoundsHalvesToEven) {
    EXPECT_EQ(panelPlaceInWindow(1000, 700, 300, 100), (Point{350, 240}));
    // 1001/2 - 300/2 = 350.5 -> 350; 701/2 - 100 - 10 = 240.5 -> 240
    EXPECT_EQ(panelPlaceInWindow(1001, 701, 300, 100), (Point{350, 240}));
    // 1003/2 - 150 = 351.5 -> 352
    EXPECT_EQ(panelPlaceInWindow(1003, 703, 300, 100), (Point{352, 242}));
    EXPECT_EQ(panelPlaceOverPage(80, 1001, 501, 300), (Point{350, 310}));
}

TEST(ItemLooks, RowColoursRepeatEverySixRows) {
    EXPECT_EQ(gui::rowBackground(0), (gui::Rgb{240, 255, 240}));
    EXPECT_EQ(gui::rowBackground(5), (gui::Rgb{255, 240, 255}));
    EXPECT_EQ(gui::rowBackground(8), (gui::Rgb{255, 240, 240}));
}

} // namespace

TEST_F(MainWindowGui, BuildsToolbarOptionsAndStatusTexts) {
    EXPECT_EQ(window->windowTitle(), "Listwright V1.0");
    EXPECT_EQ(text(action("_SearchAdd")), "搜索添加对方店铺宝贝");
    EXPECT_EQ(text(action("_Start")), "开始下载");
    EXPECT_EQ(action("_Start")->toolTip(), "开始下载并生成淘宝助理数据包");
    EXPECT_EQ(text(action("_OpenFolder")), "打开文件位置");
    EXPECT_EQ(action("_Minimize")->toolTip(), "最小化窗口到任务栏");
    EXPECT_EQ(text(action("_Update")), "在线升级");
    EXPECT_EQ(action("_Help")->toolTip(), "联机在线帮助");
    auto* saveFile = child<QLineEdit>("_SaveFile");
    EXPECT_TRUE(saveFile->isReadOnly());
    EXPECT_EQ(fromQ(saveFile->text()), logic->state().saveFile);

    EXPECT_EQ(child<QComboBox>("_ItemCats")->maxVisibleItems(), 20);
    EXPECT_EQ(child<QPushButton>("_Mapping")->text(), "产品类别与淘宝类目映射定义");
    EXPECT_TRUE(child<QCheckBox>("_chkClearLink")->isChecked());
    EXPECT_EQ(child<QCheckBox>("_chkClearLink")->text(), "自动去除原宝贝描述超链接");
    EXPECT_TRUE(child<QCheckBox>("_chkDescLocal")->isChecked());
    EXPECT_FALSE(child<QCheckBox>("_PagePrice")->isChecked());
    EXPECT_TRUE(child<QCheckBox>("_PagePrice")->toolTip().startsWith("常规获取的是原始价格"));

    EXPECT_EQ(child<QTabWidget>("_PageControl")->tabText(0), "选择定义要下载对方店铺宝贝");
    EXPECT_EQ(child<QLabel>("_StatusText")->text(), "共 2 项，当前显示 2 项，已勾选 0 项");
    EXPECT_EQ(child<QLabel>("_VersionStatus")->text(), "版本:1.0.0.1");
    EXPECT_FALSE(child<QLabel>("_AllowanceStatus")->isVisible());
    EXPECT_FALSE(child<QFrame>("_ProcessPanel")->isVisible());
    // The label keeps the last loading text.
    EXPECT_EQ(child<QLabel>("_lblCaption")->text(), "读取数据中...1/2");
    EXPECT_EQ(child<QPushButton>("_Cancel")->text(), "取消");
    EXPECT_FALSE(child<QPlainTextEdit>("_Debug")->isVisible());
    auto* status = child<QComboBox>("cmbStatus");
    ASSERT_EQ(status->count(), 4);
    EXPECT_EQ(status->itemText(2), "未下载");
    EXPECT_EQ(status->itemText(3), "有问题");
    EXPECT_EQ(child<QLabel>("_PriceRule")->text(), " 价格规则: 不调整 ");
    EXPECT_EQ(child<QPushButton>("_PriceRuleButton")->text(), "设置...");
    EXPECT_EQ(child<QPushButton>("_Refresh")->text(), "搜索");
    EXPECT_EQ(child<QCheckBox>("_Select")->text(), "宝贝列表");
}

TEST_F(MainWindowGui, MenusWithHiddenEntriesHidden) {
    QStringList titles;
    for (QAction* a : window->menuBar()->actions())
        titles << a->text();
    EXPECT_EQ(titles, (QStringList{"文件(&F)", "工具(&T)", "帮助(&H)"}));
    EXPECT_EQ(text(action("_Exit")), "退出(&X)");
    EXPECT_EQ(text(action("D01")), "下载淘宝商品类目...            ");
    for (const char* hidden : {"D02", "D03", "N21", "N23", "_InstallSqlce"})
        EXPECT_FALSE(action(hidden)->isVisible()) << hidden;
    for (const char* shown : {"D01", "N20", "_ResetPath", "_Calc", "_About"})
        EXPECT_TRUE(action(shown)->isVisible()) << shown;
    EXPECT_EQ(text(action("_InstallSqlce")), "安装 SQLCE 动态库(dll) ...");
    EXPECT_EQ(text(action("_MenuUpdate")), "在线升级(&U)");
    EXPECT_EQ(text(action("_RelaySettings")), "Relay 设置...");
    EXPECT_EQ(text(action("_ShowMain")), "显示主界面");
    EXPECT_EQ(text(action("_ExitSoft")), "退出软件");
    EXPECT_EQ(window->trayMenu(), window->trayIcon()->contextMenu());
    QStringList groupMenu;
    for (QAction* a : window->itemPage()->groupMenu()->actions())
        groupMenu << a->text();
    EXPECT_EQ(groupMenu, (QStringList{"新建分组", "修改组名", "删除分组"}));
    EXPECT_EQ(text(action("_DeleteItems")), "删除选中项(&D)");
    EXPECT_EQ(text(action("_CopyURL")), "复制宝贝链接地址(URL)");
}

TEST_F(MainWindowGui, ListShowsColumnsRowsAndTicks) {
    QTreeView* view = window->itemPage()->listView();
    QAbstractItemModel* model = view->model();
    QStringList headers;
    for (int c = 0; c < model->columnCount(); ++c)
        headers << model->headerData(c, Qt::Horizontal).toString();
    EXPECT_EQ(headers, (QStringList{"状态", "宝贝链接地址(URL)", "宝贝名称", "总销量", "页面价格",
                                    "numiid", "备注", "检查"}));
    EXPECT_EQ(view->header()->sectionSize(1), 300);
    EXPECT_EQ(view->header()->sectionSize(5), 1);
    ASSERT_EQ(model->rowCount(), 2);
    EXPECT_EQ(model->index(0, 0).data().toString(), "未下载");
    EXPECT_EQ(model->index(0, 4).data().toString(), "12.5");
    EXPECT_EQ(model->index(1, 0).data(Qt::BackgroundRole).value<QBrush>().color(),
              QColor(255, 255, 240));
    // A tick in the view reaches the core list; a core change reaches the view.
    model->setData(model->index(1, 0), Qt::Checked, Qt::CheckStateRole);
    EXPECT_TRUE(logic->list().row(1).ticked);
    logic->list().setTicked(0, true);
    EXPECT_EQ(model->index(0, 0).data(Qt::CheckStateRole).toInt(), Qt::Checked);
}

TEST_F(MainWindowGui, ActionsReachTheLogic) {
    action("_Start")->trigger();
    EXPECT_EQ(dialogs.last().text, "请勾选要下载的宝贝.");

    action("_SearchAdd")->trigger();
    EXPECT_EQ(dialogs.last().text,
              "使用搜索添加宝贝链接地址(URL)前,请先选择组.(如果选择多组,将以第一个组为准)");

    action("_ResetPath")->trigger();
    EXPECT_EQ(dialogs.last().text, "是否重置默认存放位置?");

    action("_TickAll")->trigger();
    EXPECT_EQ(logic->list().tickedIndexes().size(), 2u);

    // Header click: the first sorts 总销量 descending.
    QTreeView* view = window->itemPage()->listView();
    QTest::mouseClick(view->header()->viewport(), Qt::LeftButton, {},
                      QPoint(view->header()->sectionViewportPosition(3) + 10, 5));
    EXPECT_EQ(logic->list().row(0).sub[kSubSales], "10");

    // Selecting in the view selects in the core; deleting asks about that row.
    view->selectionModel()->select(view->model()->index(1, 0),
                                   QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    EXPECT_EQ(logic->list().selectedIndexes(), std::vector<int>{1});
    action("_DeleteItems")->trigger();
    EXPECT_EQ(dialogs.last().text, "是否要删除: http://detail.1688.com/offer/11.html");
    // "全选" selects every row in the view too.
    action("_SelectAll")->trigger();
    EXPECT_EQ(view->selectionModel()->selectedRows().size(), 2);

    // Ctrl+Alt+I shows the diagnostic log.
    QTest::keyClick(view, Qt::Key_I, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_TRUE(logic->state().log.visible());
    EXPECT_TRUE(child<QPlainTextEdit>("_Debug")->isVisible());
}

TEST_F(MainWindowGui, GroupPickerAndSearchReload) {
    auto* picker = window->itemPage()->groupPicker();
    QListWidget* list = picker->listWidget();
    ASSERT_EQ(list->count(), 2);
    picker->showPopup();
    QRect second = list->visualItemRect(list->item(1));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, second.center());
    EXPECT_EQ(logic->view().group.text(), "男装");
    EXPECT_EQ(picker->textBox()->text(), "男装");
    EXPECT_EQ(list->item(1)->checkState(), Qt::Checked);
    picker->hidePopup();
    QTest::mouseClick(child<QPushButton>("_Refresh"), Qt::LeftButton);
    EXPECT_EQ(window->itemPage()->listView()->model()->rowCount(), 0);
    EXPECT_EQ(child<QLabel>("_StatusText")->text(), "共 2 项，当前显示 0 项，已勾选 0 项");
}

TEST_F(MainWindowGui, ProgressPanelFollowsTheStateAndCancels) {
    logic->state().panel.show("读取数据中...");
    auto* panel = child<QFrame>("_ProcessPanel");
    EXPECT_TRUE(panel->isVisible());
    EXPECT_EQ(child<QLabel>("_lblCaption")->text(), "读取数据中...");
    QTest::mouseClick(child<QPushButton>("_Cancel"), Qt::LeftButton);
    EXPECT_TRUE(logic->state().panel.cancelled());
    EXPECT_FALSE(panel->isVisible());
    // Resizing places it in the middle, raised by its height + 10.
    window->resize(1000, 700);
    Point p =
        panelPlaceInWindow(window->width(), window->height(), panel->width(), panel->height());
    EXPECT_EQ(panel->pos(), QPoint(p.x, p.y));
}

TEST_F(MainWindowGui, ClosingStoresTheSettings) {
    logic->setRemoveDescriptionLinks(false);
    window->close();
    Query q = db->query("select ParaValue from _Parameter where NM=501");
    EXPECT_EQ(q.first(), "0");
}

TEST_F(MainWindowGui, StatusBarShowsTheTickedCount) {
    QAbstractItemModel* model = window->itemPage()->listView()->model();
    model->setData(model->index(1, 0), Qt::Checked, Qt::CheckStateRole);
    EXPECT_EQ(child<QLabel>("_StatusText")->text(), "共 2 项，当前显示 2 项，已勾选 1 项");
    action("_TickAll")->trigger();
    EXPECT_EQ(child<QLabel>("_StatusText")->text(), "共 2 项，当前显示 2 项，已勾选 2 项");
}

// The list's keys, the double click, F5 and Enter on a focused button.
TEST_F(MainWindowGui, KeysAndDoubleClickOfTheList) {
    QTreeView* view = window->itemPage()->listView();
    window->activateWindow();
    view->setFocus();
    ASSERT_TRUE(waitFor([&] { return view->hasFocus(); }));

    // Ctrl+A selects every row, Space ticks them all from the current unticked row.
    QTest::keyClick(view, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(logic->list().selectedIndexes(), (std::vector<int>{0, 1}));
    EXPECT_EQ(view->selectionModel()->selectedRows().size(), 2);
    view->selectionModel()->setCurrentIndex(view->model()->index(0, 0),
                                            QItemSelectionModel::NoUpdate);
    QTest::keyClick(view, Qt::Key_Space);
    EXPECT_EQ(logic->list().tickedIndexes(), (std::vector<int>{0, 1}));
    QTest::keyClick(view, Qt::Key_Space);
    EXPECT_TRUE(logic->list().tickedIndexes().empty());

    // Delete asks about the selected Item Links, No by default; No keeps them.
    QTest::keyClick(view, Qt::Key_Delete);
    ASSERT_FALSE(dialogs.shown.empty());
    EXPECT_EQ(dialogs.last().buttons, Buttons::YesNo);
    EXPECT_TRUE(dialogs.last().defaultNo);
    EXPECT_EQ(logic->list().size(), 2);

    // A double click opens that row's offer.
    QRect row = view->visualRect(view->model()->index(1, 2));
    // As a real double click arrives: press, release, then the double click.
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, row.center());
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, row.center());
    EXPECT_EQ(desktop.openedUrls, std::vector<std::string>{logic->list().row(1).sub[kSubUrl]});

    // F5 reloads the list, storing its ticks first.
    logic->list().setTicked(1, true);
    int reloads = 0;
    Connection watch = logic->list().reset.connect([&] { ++reloads; });
    QTest::keyClick(view, Qt::Key_F5);
    EXPECT_EQ(reloads, 1);
    EXPECT_EQ(db->query("select count(*) from TB_URL where bcheck=1").first(), "1");

    // Enter on a focused button presses it: 搜索 reloads.
    auto* refresh = child<QPushButton>("_Refresh");
    refresh->setFocus();
    ASSERT_TRUE(waitFor([&] { return refresh->hasFocus(); }));
    QTest::keyClick(refresh, Qt::Key_Return);
    EXPECT_EQ(reloads, 2);

    // Delete answered Yes deletes them.
    QTest::keyClick(view, Qt::Key_A, Qt::ControlModifier);
    dialogs.answers.push_back(Answer::Yes);
    view->setFocus();
    QTest::keyClick(view, Qt::Key_Delete);
    EXPECT_EQ(logic->list().size(), 0);
}

// A window too narrow for the toolbar shows its overflow arrow.
TEST_F(MainWindowGui, NarrowWindowShowsTheToolbarOverflowArrow) {
    window->resize(480, 600);
    auto* bar = child<QToolBar>("_ToolBar");
    QToolButton* arrow = nullptr;
    ASSERT_TRUE(waitFor([&] {
        arrow = bar->findChild<QToolButton*>("qt_toolbar_ext_button");
        return arrow && arrow->isVisible();
    }));
    EXPECT_GE(arrow->width(), 8);
    EXPECT_FALSE(arrow->icon().isNull());
    // Its menu holds the buttons that did not fit.
    EXPECT_FALSE(action("_Help")->associatedObjects().isEmpty());
}

// Qt's own texts are Chinese: the edit fields' context menu and the file dialog (the
// Windows program shows the system's own dialog).
TEST_F(MainWindowGui, QtsOwnTextsAreChinese) {
    if constexpr (platform::kWindows)
        GTEST_SKIP() << "Windows shows its own file dialog";
    QLineEdit edit;
    std::unique_ptr<QMenu> menu(edit.createStandardContextMenu());
    QStringList texts;
    for (QAction* a : menu->actions())
        if (!a->isSeparator())
            texts << a->text();
    ASSERT_FALSE(texts.isEmpty());
    // "撤消(&U)" and its shortcut.
    EXPECT_TRUE(texts.front().startsWith("撤")) << texts.join("|").toStdString();

    QFileDialog dialog(window.get(), "保存的文件位置及名称:");
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.show();
    auto* lookIn = dialog.findChild<QLabel*>("lookInLabel");
    ASSERT_NE(lookIn, nullptr);
    EXPECT_NE(lookIn->text(), "Look in:");
    EXPECT_TRUE(lookIn->text().contains(QRegularExpression("[\\x{4e00}-\\x{9fff}]")))
        << lookIn->text().toStdString();
    auto* buttons = dialog.findChild<QDialogButtonBox*>("buttonBox");
    ASSERT_NE(buttons, nullptr);
    EXPECT_NE(buttons->button(QDialogButtonBox::Cancel)->text(), "Cancel");
    dialog.reject();
}

// The list follows the picker: closing its drop-down after a tick reloads the list.
TEST_F(MainWindowGui, ClosingThePickerReloadsTheList) {
    auto* picker = window->itemPage()->groupPicker();
    QListWidget* list = picker->listWidget();
    picker->showPopup();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->item(1)).center());
    EXPECT_EQ(window->itemPage()->listView()->model()->rowCount(), 2);
    picker->hidePopup();
    EXPECT_EQ(window->itemPage()->listView()->model()->rowCount(), 0);
    EXPECT_EQ(child<QLabel>("_StatusText")->text(), "共 2 项，当前显示 0 项，已勾选 0 项");
}

// Size, place, column widths and the sort arrow come back after a restart.
TEST_F(MainWindowGui, LayoutIsKeptAcrossARestart) {
    window->showNormal();
    window->setGeometry(30, 40, 900, 640);
    QTreeView* view = window->itemPage()->listView();
    view->header()->resizeSection(2, 222);
    QTest::mouseClick(view->header()->viewport(), Qt::LeftButton, {},
                      QPoint(view->header()->sectionViewportPosition(3) + 10, 5));
    EXPECT_TRUE(view->header()->isSortIndicatorShown());
    EXPECT_EQ(view->header()->sortIndicatorSection(), 3);
    EXPECT_EQ(view->header()->sortIndicatorOrder(), Qt::DescendingOrder);
    window->close();

    window.reset();
    logic = std::make_unique<MainWindowLogic>(Ports{*db, dialogs, desktop, loop, clock}, *frame,
                                              dir.path());
    logic->homeFolder = dir.path();
    logic->loadDelayMs = 0;
    window = std::make_unique<MainWindowWidget>(*logic, *frame);
    logic->initialise();
    window->showAsRemembered();
    logic->onShown();
    ASSERT_TRUE(waitFor([&] { return logic->trayMenuAttached(); }));
    EXPECT_FALSE(window->isMaximized());
    EXPECT_EQ(window->geometry().size(), QSize(900, 640));
    EXPECT_EQ(window->geometry().topLeft(), QPoint(30, 40));
    view = window->itemPage()->listView();
    EXPECT_EQ(view->header()->sectionSize(2), 222);
    EXPECT_TRUE(view->header()->isSortIndicatorShown());
    EXPECT_EQ(view->header()->sortIndicatorSection(), 3);
    EXPECT_EQ(view->header()->sortIndicatorOrder(), Qt::DescendingOrder);
    EXPECT_EQ(logic->list().row(0).sub[kSubSales], "10");
}

// The panel grows to its caption: both lines during the pictures, none cut.
TEST_F(MainWindowGui, ProgressPanelShowsItsWholeTwoLineText) {
    const std::string caption =
        "正在处理中...(12/345)\r\n进度:属性图片1(12/20) 属性图片2(8/16) 描述图片(30/42)";
    logic->state().panel.show("正在处理中...(1/2)");
    auto* panel = child<QFrame>("_ProcessPanel");
    auto* label = child<QLabel>("_lblCaption");
    EXPECT_GE(panel->width(), 340);
    EXPECT_GE(panel->height(), 120);
    const QPoint centre = panel->geometry().center();
    logic->state().panel.setCaption(caption);
    EXPECT_EQ(label->text(),
              QStringLiteral("正在处理中...(12/345)\n进度:属性图片1(12/20) 属性图片2(8/16) "
                             "描述图片(30/42)"));
    const QFontMetrics metrics(label->font());
    for (const QString& line : label->text().split('\n'))
        EXPECT_LE(metrics.horizontalAdvance(line), label->contentsRect().width())
            << line.toStdString();
    // Two lines: the leading of the last one is not needed.
    EXPECT_GE(label->height(), metrics.lineSpacing() + metrics.height());
    // The label lies inside the panel, and the panel stays centred where it was.
    EXPECT_TRUE(panel->rect().contains(label->geometry()));
    EXPECT_LE(std::abs(panel->geometry().center().x() - centre.x()), 1);
    // The Cancel button is still there below the text.
    auto* cancel = child<QPushButton>("_Cancel");
    EXPECT_GE(cancel->geometry().top(), label->geometry().bottom());
    EXPECT_TRUE(panel->rect().contains(cancel->geometry()));
    logic->state().panel.hide();
}
