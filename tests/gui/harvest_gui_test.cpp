#include "app/desktop_frame.hpp"
#include "app/main_window.hpp"
#include "app/main_window_widget.hpp"
#include "fake_clock.hpp"
#include "harvest/harvest_dialog.hpp"
#include "scripted_dialogs.hpp"
#include "store/database.hpp"
#include "temp_dir.hpp"
#include "ui/progress_frame.hpp"
#include "ui/qt_event_loop.hpp"
#include "ui/qt_text.hpp"
#include "wait_for.hpp"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using namespace lw;
using namespace lw::gui;
using namespace lw::test;

namespace {

class HarvestGui : public ::testing::Test {
protected:
    HarvestGui() : db(makeTestDatabase(dir.path())) {
        db->exec("insert into TB_Groups(GroupName,Tag) select '女装',0");
        group = db->lastInsertId();
    }

    template <typename T> T* child(QWidget* parent, const char* name) {
        T* w = parent->findChild<T*>(name);
        EXPECT_NE(w, nullptr) << name;
        return w;
    }

    TempDir dir;
    std::unique_ptr<Database> db;
    ScriptedDialogs dialogs;
    QtEventLoop loop;
    std::int64_t group = 0;
};

} // namespace

TEST_F(HarvestGui, BuildsItsControlsBoundToTheLogic) {
    HarvestWindow harvest({*db, dialogs, loop}, nullptr);
    HarvestDialog* d = harvest.dialog();
    HarvestWindowLogic& logic = harvest.logic();
    logic.prepare("搜索添加宝贝链接(URL)-女装", group);
    logic.onShown();
    d->show();

    EXPECT_EQ(d->windowTitle(), "搜索添加宝贝链接(URL)-女装");
    EXPECT_TRUE(d->isModal());
    EXPECT_TRUE(child<QFrame>(d, "_PanelSearch")->isVisible());
    EXPECT_EQ(child<QLabel>(d, "_LabelTaobaoURL")->text(), "阿里巴巴店铺首页地址:");
    EXPECT_EQ(child<QLabel>(d, "_LabelKeyword")->text(), "关键字: ");
    EXPECT_EQ(child<QPushButton>(d, "_Search")->text(), "搜索");
    EXPECT_EQ(child<QLabel>(d, "_LabelURL")->text(), "请输入要下载的宝贝地址(一行一个宝贝地址):");
    auto* url = child<QPlainTextEdit>(d, "_URL");
    EXPECT_EQ(url->lineWrapMode(), QPlainTextEdit::NoWrap);
    auto* check = child<QCheckBox>(d, "_check");
    EXPECT_TRUE(check->isChecked());
    EXPECT_EQ(check->text(), "使用自动校正宝贝地址功能");
    EXPECT_EQ(child<QPushButton>(d, "_StartDownload")->text(), "添加至下载源");
    EXPECT_EQ(child<QPushButton>(d, "RzBitBtn1")->text(), "取消");
    EXPECT_FALSE(child<QFrame>(d, "_ProcessPanel")->isVisible());
    EXPECT_EQ(child<QLabel>(d, "_lblCaption")->text(), "正在搜索中");
    EXPECT_EQ(child<QPushButton>(d, "_Cancel2")->text(), "取消");
    EXPECT_EQ(child<QLabel>(d, "_StatusText")->text(), "共 0 项");
    auto* debug = child<QPlainTextEdit>(d, "_Debug");
    EXPECT_FALSE(debug->isVisible());

    // Typing reaches the logic; the status follows the box.
    QTest::keyClicks(child<QLineEdit>(d, "_Keyword"), "dress");
    EXPECT_EQ(logic.keyword(), "dress");
    url->setPlainText("http://detail.1688.com/offer/1.html\nhttp://detail.1688.com/offer/2.html");
    EXPECT_EQ(logic.url().lineCount(), 2u);
    EXPECT_EQ(child<QLabel>(d, "_StatusText")->text(), "共 2 项");
    check->setChecked(false);
    EXPECT_FALSE(logic.check());

    // Ctrl+Alt+I from any control.
    QTest::keyClick(url, Qt::Key_I, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_TRUE(debug->isVisible());

    // A bad shop address: the message, and the field gets the focus.
    auto* shop = child<QLineEdit>(d, "_TaobaoURL");
    shop->clear();
    QTest::keyClicks(shop, "www.taobao.com");
    EXPECT_EQ(logic.shopAddress(), "www.taobao.com");
    QTest::mouseClick(child<QPushButton>(d, "_Search"), Qt::LeftButton);
    EXPECT_EQ(dialogs.last().title, "提示");
    EXPECT_TRUE(dialogs.last().text.starts_with("请输入正确的阿里巴巴店铺首页地址"));
    // Enter in the shop address or the keyword starts the search too.
    for (const char* field : {"_TaobaoURL", "_Keyword"}) {
        dialogs.clear();
        QTest::keyClick(child<QLineEdit>(d, field), Qt::Key_Return);
        ASSERT_FALSE(dialogs.shown.empty()) << field;
        EXPECT_TRUE(dialogs.last().text.starts_with("请输入正确的阿里巴巴店铺首页地址")) << field;
    }

    // The panel floats in the middle, raised by its height + 10.
    d->resize(800, 600);
    QFrame* panel = d->progressPanel();
    EXPECT_EQ(panel->pos(), QPoint(400 - panel->width() / 2, 300 - panel->height() - 10));

    // Esc is the bottom row's "取消".
    QTest::keyClick(url, Qt::Key_Escape);
    EXPECT_EQ(logic.modalResult(), HarvestWindowLogic::Result::Cancel);
    EXPECT_FALSE(d->isVisible());
    EXPECT_EQ(d->result(), QDialog::Rejected);
}

TEST_F(HarvestGui, ToolbarCommandOpensItAndTheListReloadsOnOk) {
    FakeDesktop desktop;
    FakeClock clock;
    DesktopFrame frame(Ports{*db, dialogs, desktop, loop, clock});
    MainWindowLogic logic(Ports{*db, dialogs, desktop, loop, clock}, frame, dir.path());
    logic.homeFolder = dir.path();
    logic.version = "1.0.0.1";
    logic.loadDelayMs = 0;
    auto window = std::make_unique<MainWindowWidget>(logic, frame);
    logic.initialise();
    window->show();
    logic.onShown();
    ASSERT_TRUE(waitFor([&] { return logic.trayMenuAttached(); }));
    logic.view().group.clickItem(logic.view().group.indexOf("女装"));

    QString caption;
    QTimer::singleShot(0, [&] {
        ASSERT_TRUE(waitFor([] {
            return qobject_cast<HarvestDialog*>(QApplication::activeModalWidget()) != nullptr;
        }));
        auto* d = qobject_cast<HarvestDialog*>(QApplication::activeModalWidget());
        caption = d->windowTitle();
        d->findChild<QPlainTextEdit*>("_URL")->setPlainText(
            "http://detail.1688.com/offer/9.html?spm=1");
        dialogs.answers.push_back(Answer::Yes);
        d->findChild<QPushButton*>("_StartDownload")->click();
    });
    window->findChild<QAction*>("_SearchAdd")->trigger();
    EXPECT_EQ(caption, "搜索添加宝贝链接(URL)-女装");
    ASSERT_EQ(logic.list().size(), 1);
    EXPECT_EQ(logic.list().row(0).sub[kSubUrl], "http://detail.1688.com/offer/9.html");
    window.reset();
}
