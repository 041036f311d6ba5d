#include "ui/qt_dialogs.hpp"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using namespace lw;
using namespace lw::gui;

namespace {

// Clicks a button of the next modal dialog once it is shown.
void clickLater(const char* buttonName) {
    QTimer::singleShot(0, [buttonName] {
        QWidget* dialog = QApplication::activeModalWidget();
        ASSERT_NE(dialog, nullptr);
        auto* button = dialog->findChild<QPushButton*>(buttonName);
        ASSERT_NE(button, nullptr) << buttonName;
        button->click();
    });
}

} // namespace

TEST(MsgBoxDialog, FourButtonsWithHintsGiveTheirResults) {
    MsgBoxDialog box;
    EXPECT_EQ(box.windowTitle(), "提示");
    EXPECT_EQ(box.findChild<QLabel*>("_Label")->text(), "文件已存在,请选择要做的操作？");
    struct Case {
        const char* name;
        const char* caption;
        const char* hint;
        FileExistsChoice result;
    };
    const Case cases[] = {
        {"_Append", "追加(&A)", "将追加写入在此文件后面", FileExistsChoice::Append},
        {"_Overwrite", "覆盖(D)", "将覆盖写入此文件", FileExistsChoice::Overwrite},
        {"_NewFile", "新文件(&N)", "新建一个其他名称的文件", FileExistsChoice::NewFile},
        {"_CancelBtn", "取消(&C)", "", FileExistsChoice::Cancel},
    };
    for (const Case& c : cases) {
        auto* button = box.findChild<QPushButton*>(c.name);
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->text(), QString::fromUtf8(c.caption));
        EXPECT_EQ(button->toolTip(), QString::fromUtf8(c.hint));
        clickLater(c.name);
        EXPECT_EQ(box.ask("\"a.csv\"文件已存在,请选择要做的操作？"), c.result) << c.name;
    }
    EXPECT_EQ(box.findChild<QLabel*>("_Label")->text(), "\"a.csv\"文件已存在,请选择要做的操作？");
    // Closed by the title bar: Cancel.
    QTimer::singleShot(0, [] { QApplication::activeModalWidget()->close(); });
    EXPECT_EQ(box.ask("x"), FileExistsChoice::Cancel);
}

TEST(QtDialogs, FilterTextsBecomeQtNameFilters) {
    EXPECT_EQ(QtDialogs::nameFilters("csv 文件(*.csv)|*.csv"), "csv 文件(*.csv)");
    EXPECT_EQ(QtDialogs::nameFilters("文本|*.txt|全部|*.*"), "文本 (*.txt);;全部 (*.*)");
}
