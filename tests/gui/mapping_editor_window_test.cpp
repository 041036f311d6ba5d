// The mapping editor and dialog windows: controls and captions, and their commands
// reaching the editor logic.
#include "catalog/enter_to_tab.hpp"
#include "catalog/mapping_editor_window.hpp"
#include "catalog/mapping_entry_window.hpp"
#include "scripted_dialogs.hpp"
#include "store/database.hpp"
#include "temp_dir.hpp"

#include <QAction>
#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include <functional>
#include <memory>

using namespace lw;
using namespace lw::gui;
using namespace lw::test;

namespace {

// Types text as key presses, Chinese included.
void type(QWidget* edit, const QString& text) {
    for (QChar c : text)
        QTest::sendKeyEvent(QTest::Click, edit, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

class MappingEditorWindowTest : public ::testing::Test {
protected:
    TempDir dir;
    std::unique_ptr<Database> db = makeTestDatabase(dir.path());
    ScriptedDialogs dialogs;
    MappingEditorWindow window{*db, dialogs};

    template <typename T> T* child(const char* name) {
        T* found = window.findChild<T*>(name);
        EXPECT_TRUE(found) << name;
        return found;
    }
    QTreeWidget* list() { return child<QTreeWidget>("_RzListView"); }
    // Runs fn once the modal dialog is up.
    void whenDialogShown(std::function<void(MappingEntryWindow*)> fn) {
        QTimer::singleShot(0, &window, [this, fn] {
            MappingEntryWindow* dialog = window.dialogWindow();
            ASSERT_TRUE(dialog->isVisible());
            fn(dialog);
        });
    }
};

TEST_F(MappingEditorWindowTest, ControlsCarryTheirNamesAndCaptions) {
    db->exec(
        "insert into TB_Mapping(FromValue01,FromValue02,ToValue) values (' 裙 ','女','连衣裙')");
    window.show();

    EXPECT_EQ(window.windowTitle(), "产品类别与类目映射定义");
    const std::pair<const char*, const char*> actions[] = {{"_Add", "添加新项"},
                                                           {"_Modi", "修改项"},
                                                           {"_Del", "删除项"},
                                                           {"_Import", "导入"},
                                                           {"_Close", "关闭"}};
    for (const auto& [name, caption] : actions)
        EXPECT_EQ(child<QAction>(name)->text(), caption);

    QTreeWidget* view = list();
    EXPECT_EQ(view->headerItem()->text(0), "阿里巴巴产品类别名");
    EXPECT_EQ(view->headerItem()->text(1), "阿里巴巴适用性别");
    EXPECT_EQ(view->headerItem()->text(2), "对应淘宝类目名称");
    EXPECT_EQ(view->columnWidth(1), 120);
    EXPECT_EQ(view->selectionMode(), QAbstractItemView::ExtendedSelection);
    ASSERT_EQ(view->topLevelItemCount(), 1);
    EXPECT_EQ(view->topLevelItem(0)->text(0), "裙");
    EXPECT_EQ(view->topLevelItem(0)->data(0, Qt::UserRole).toLongLong(),
              window.logic().rows()[0].uniqid);

    QStringList popup;
    for (QAction* action : child<QMenu>("_PopupMenu")->actions())
        popup << (action->isSeparator() ? "-" : action->text());
    EXPECT_EQ(popup, (QStringList{"全选", "-", "添加新项", "修改项", "-", "删除项"}));

    EXPECT_FALSE(child<QWidget>("_ProcessPanel")->isVisible());
    EXPECT_EQ(child<QLabel>("_lblCaption")->text(), "正在处理中...");
    EXPECT_EQ(child<QStatusBar>("_StatusBar")->findChild<QLabel*>()->text(), " 共 1 项");
}

TEST_F(MappingEditorWindowTest, AddThroughTheDialogWithEnterMovingOn) {
    window.show();
    whenDialogShown([](MappingEntryWindow* dialog) {
        EXPECT_EQ(dialog->windowTitle(), "添加项");
        auto* first = dialog->findChild<QLineEdit*>("_FromValue01");
        auto* second = dialog->findChild<QLineEdit*>("_FromValue02");
        auto* third = dialog->findChild<QLineEdit*>("_ToValue");
        QApplication::setActiveWindow(dialog);
        first->setFocus();
        type(first, "Levi's");
        QTest::keyClick(first, Qt::Key_Return);
        EXPECT_TRUE(second->hasFocus());
        type(second, "男");
        QTest::keyClick(second, Qt::Key_Enter);
        EXPECT_TRUE(third->hasFocus());
        type(third, "牛仔裤");
        QTest::keyClick(third, Qt::Key_Return);
        EXPECT_TRUE(dialog->isVisible()); // Enter in a field never confirms
        // Enter on the focused 确认 presses it.
        auto* ok = dialog->findChild<QPushButton*>("_OK");
        ok->setFocus();
        QTest::keyClick(ok, Qt::Key_Return);
        EXPECT_FALSE(dialog->isVisible());
    });
    child<QAction>("_Add")->trigger();

    ASSERT_EQ(list()->topLevelItemCount(), 1);
    EXPECT_EQ(list()->topLevelItem(0)->text(0), "Levi's");
    EXPECT_EQ(list()->topLevelItem(0)->text(2), "牛仔裤");
}

TEST_F(MappingEditorWindowTest, EscapeCancelsAndARefusedOkStaysOpen) {
    db->exec("insert into TB_Mapping(FromValue01,FromValue02,ToValue) values ('ab','','x')");
    window.show();
    whenDialogShown([](MappingEntryWindow* dialog) {
        auto* first = dialog->findChild<QLineEdit*>("_FromValue01");
        QTest::keyClicks(first, "a");
        QTest::keyClicks(dialog->findChild<QLineEdit*>("_FromValue02"), "b");
        dialog->findChild<QPushButton*>("_OK")->click();
        EXPECT_TRUE(dialog->isVisible());
        QTest::keyClick(dialog, Qt::Key_Escape);
    });
    child<QAction>("_Add")->trigger();
    EXPECT_EQ(dialogs.messageTexts(), (std::vector<std::string>{"值:\"ab\" 已存在,请重新输入."}));
    EXPECT_FALSE(window.dialogWindow()->isVisible());
    EXPECT_EQ(list()->topLevelItemCount(), 1);
}

TEST_F(MappingEditorWindowTest, ListSelectionDrivesModifyAndDelete) {
    for (const char* name : {"甲", "乙", "丙"})
        db->exec("insert into TB_Mapping(FromValue01) values (?)", {std::string(name)});
    window.show();
    QTreeWidget* view = list();

    view->setCurrentItem(view->topLevelItem(1));
    EXPECT_EQ(window.logic().activeRow(), 1);
    whenDialogShown([](MappingEntryWindow* dialog) {
        EXPECT_EQ(dialog->windowTitle(), "修改项");
        EXPECT_EQ(dialog->findChild<QLineEdit*>("_FromValue01")->text(), "乙");
        dialog->findChild<QPushButton*>("_Cancle")->click();
    });
    child<QAction>("_Modi")->trigger();

    window.findChild<QAction*>("N6")->trigger();
    EXPECT_EQ(view->selectedItems().size(), 3);
    dialogs.answers.push_back(Answer::Yes);
    child<QAction>("_Del")->trigger();
    EXPECT_EQ(dialogs.last().text, "是否要删除选中的 3 个项?");
    EXPECT_EQ(view->topLevelItemCount(), 0);
    EXPECT_EQ(child<QStatusBar>("_StatusBar")->findChild<QLabel*>()->text(), " 共 0 项");
}

TEST(enterToTab, OnlyEnterIsTakenAndMovesTheFocus) {
    QWidget form;
    auto* a = new QLineEdit(&form);
    auto* b = new QLineEdit(&form);
    a->installEventFilter(new EnterToTabFilter(&form));
    form.show();
    QApplication::setActiveWindow(&form);
    a->setFocus();
    QTest::keyClick(a, Qt::Key_X);
    EXPECT_EQ(a->text(), "x");
    EXPECT_TRUE(a->hasFocus());
    QTest::keyClick(a, Qt::Key_Return);
    EXPECT_TRUE(b->hasFocus());
    EXPECT_EQ(a->text(), "x");
}

} // namespace
