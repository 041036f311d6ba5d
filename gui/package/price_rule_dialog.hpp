#pragma once

#include "package/price_rule.hpp"

#include <QDialog>

#include <optional>

class QComboBox;
class QLabel;
class QLineEdit;

namespace lw::gui {

// The price rule's small dialog: factor, addition, rounding and minimum price. OK is
// refused (with the reason shown) while a field is not a number the rule takes.
class PriceRuleDialog : public QDialog {
public:
    explicit PriceRuleDialog(QWidget* parent = nullptr);

    void setRule(const PriceRule& rule);
    // The rule of the fields, once accepted.
    const PriceRule& rule() const { return rule_; }

    void accept() override;

private:
    QLineEdit* factor_ = nullptr;
    QLineEdit* addition_ = nullptr;
    QComboBox* rounding_ = nullptr;
    QLineEdit* minimum_ = nullptr;
    QLabel* error_ = nullptr;
    PriceRule rule_;
};

} // namespace lw::gui
