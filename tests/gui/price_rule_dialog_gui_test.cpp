#include "package/price_rule_dialog.hpp"
#include "ui/qt_text.hpp"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <gtest/gtest.h>

using namespace lw;
using namespace lw::gui;

TEST(PriceRuleDialogGui, ShowsTheRuleAndGivesTheTypedOne) {
    PriceRuleDialog dialog;
    std::string error;
    dialog.setRule(*parsePriceRule("x1.5+3,round=0.9,min=5", error));
    auto* factor = dialog.findChild<QLineEdit*>("_PriceFactor");
    auto* addition = dialog.findChild<QLineEdit*>("_PriceAddition");
    auto* rounding = dialog.findChild<QComboBox*>("_PriceRounding");
    auto* minimum = dialog.findChild<QLineEdit*>("_PriceMinimum");
    ASSERT_TRUE(factor && addition && rounding && minimum);
    EXPECT_EQ(factor->text(), "1.5");
    EXPECT_EQ(addition->text(), "3");
    EXPECT_EQ(rounding->currentText(), "尾数.9 (如 58.3 -> 58.9)");
    EXPECT_EQ(minimum->text(), "5");

    // A field that is no number keeps the dialog open and says why.
    factor->setText("两倍");
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(fromQ(dialog.findChild<QLabel*>("_PriceRuleError")->text()),
              "倍数应为大于0、不超过100的数,最多4位小数");

    factor->setText("2");
    addition->setText("-1");
    rounding->setCurrentIndex(2);
    minimum->clear();
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(priceRuleText(dialog.rule()), "x2-1,round=1");

    dialog.findChild<QPushButton*>("_PriceRuleOff")->click();
    dialog.accept();
    EXPECT_FALSE(dialog.rule().active());
}
