#include "package/price_rule_dialog.hpp"

#include "ui/qt_text.hpp"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace lw::gui {

PriceRuleDialog::PriceRuleDialog(QWidget* parent) : QDialog(parent) {
    setObjectName("frmPriceRule");
    setWindowTitle("价格规则");
    auto* layout = new QVBoxLayout(this);
    auto* hint = new QLabel("下载的价格(含SKU价格) = 原价 × 倍数 + 加价, 再按进位方式进位, "
                            "不低于最低价.");
    hint->setWordWrap(true);
    layout->addWidget(hint);

    auto* form = new QFormLayout;
    factor_ = new QLineEdit;
    factor_->setObjectName("_PriceFactor");
    form->addRow("倍数:", factor_);
    addition_ = new QLineEdit;
    addition_->setObjectName("_PriceAddition");
    form->addRow("加价(元):", addition_);
    rounding_ = new QComboBox;
    rounding_->setObjectName("_PriceRounding");
    // In the order of PriceRounding.
    rounding_->addItems({"不进位", "进到角 (0.1)", "进到元 (1)", "尾数.9 (如 58.3 -> 58.9)"});
    form->addRow("进位:", rounding_);
    minimum_ = new QLineEdit;
    minimum_->setObjectName("_PriceMinimum");
    minimum_->setPlaceholderText("不限");
    form->addRow("最低价(元):", minimum_);
    layout->addLayout(form);

    error_ = new QLabel;
    error_->setObjectName("_PriceRuleError");
    error_->setStyleSheet("color: #b00020");
    error_->setWordWrap(true);
    layout->addWidget(error_);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    buttons->button(QDialogButtonBox::Ok)->setText("确定");
    buttons->button(QDialogButtonBox::Cancel)->setText("取消");
    QPushButton* off = buttons->addButton("不调整价格", QDialogButtonBox::ResetRole);
    off->setObjectName("_PriceRuleOff");
    connect(off, &QPushButton::clicked, this, [this] { setRule(PriceRule{}); });
    connect(buttons, &QDialogButtonBox::accepted, this, &PriceRuleDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &PriceRuleDialog::reject);
    layout->addWidget(buttons);
}

void PriceRuleDialog::setRule(const PriceRule& rule) {
    PriceRuleFields fields = priceRuleFields(rule);
    factor_->setText(toQ(fields.factor));
    addition_->setText(toQ(fields.addition));
    rounding_->setCurrentIndex(static_cast<int>(fields.rounding));
    minimum_->setText(toQ(fields.minimum));
    error_->clear();
}

void PriceRuleDialog::accept() {
    PriceRuleFields fields;
    fields.factor = fromQ(factor_->text());
    fields.addition = fromQ(addition_->text());
    fields.rounding = static_cast<PriceRounding>(rounding_->currentIndex());
    fields.minimum = fromQ(minimum_->text());
    std::string error;
    std::optional<PriceRule> rule = priceRuleFromFields(fields, error);
    if (!rule) {
        error_->setText(toQ(error));
        return;
    }
    rule_ = *rule;
    QDialog::accept();
}

} // namespace lw::gui
