#include "catalog/mapping_entry_window.hpp"

#include "catalog/enter_to_tab.hpp"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace lw::gui {

namespace {

QString qs(const std::string& text) {
    return QString::fromStdString(text);
}

} // namespace

MappingEntryWindow::MappingEntryWindow(MappingEntryLogic& logic, QWidget* parent)
    : QDialog(parent), logic_(logic) {
    setObjectName("TfrmFormModi");
    setModal(true);

    fromValue01_ = new QLineEdit(this);
    fromValue01_->setObjectName("_FromValue01");
    fromValue02_ = new QLineEdit(this);
    fromValue02_->setObjectName("_FromValue02");
    toValue_ = new QLineEdit(this);
    toValue_->setObjectName("_ToValue");
    ok_ = new QPushButton("确认", this);
    ok_->setObjectName("_OK");
    cancle_ = new QPushButton("取消", this);
    cancle_->setObjectName("_Cancle");
    // Enter belongs to the edit boxes (it moves on), never to a default button.
    ok_->setAutoDefault(false);
    cancle_->setAutoDefault(false);

    auto* form = new QFormLayout;
    form->addRow("阿里巴巴产品类别名:", fromValue01_);
    form->addRow("阿里巴巴适用性别:", fromValue02_);
    form->addRow("对应淘宝类目名:", toValue_);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok_);
    buttons->addWidget(cancle_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);

    auto* enterToTab = new EnterToTabFilter(this);
    for (QLineEdit* edit : {fromValue01_, fromValue02_, toValue_})
        edit->installEventFilter(enterToTab);

    connect(fromValue01_, &QLineEdit::textEdited, this,
            [this](const QString& text) { logic_.category = text.toStdString(); });
    connect(fromValue02_, &QLineEdit::textEdited, this,
            [this](const QString& text) { logic_.gender = text.toStdString(); });
    connect(toValue_, &QLineEdit::textEdited, this,
            [this](const QString& text) { logic_.taobaoName = text.toStdString(); });
    connect(ok_, &QPushButton::clicked, this, [this] { logic_.confirm(); });
    connect(cancle_, &QPushButton::clicked, this, [this] { logic_.cancel(); });

    connections_.push_back(logic_.changed.connect([this] { pull(); }));
    connections_.push_back(logic_.closeRequested.connect([this] {
        if (isVisible())
            done(logic_.modalResult == ModalResult::Ok ? Accepted : Rejected);
    }));
    pull();
}

ModalResult MappingEntryWindow::showModal() {
    logic_.onShown();
    exec();
    if (logic_.modalResult == ModalResult::None)
        logic_.modalResult = ModalResult::Cancel;
    return logic_.modalResult;
}

void MappingEntryWindow::reject() {
    // Esc and the window's close button answer like "取消".
    if (logic_.modalResult == ModalResult::None)
        logic_.cancel();
    else
        QDialog::reject();
}

QLineEdit* MappingEntryWindow::fieldOf(MappingEntryField field) const {
    switch (field) {
    case MappingEntryField::Category:
        return fromValue01_;
    case MappingEntryField::Gender:
        return fromValue02_;
    case MappingEntryField::TaobaoName:
        return toValue_;
    default:
        return nullptr;
    }
}

void MappingEntryWindow::pull() {
    setWindowTitle(qs(logic_.caption));
    const std::pair<QLineEdit*, const std::string*> fields[] = {{fromValue01_, &logic_.category},
                                                                {fromValue02_, &logic_.gender},
                                                                {toValue_, &logic_.taobaoName}};
    for (const auto& [edit, text] : fields)
        if (edit->text() != qs(*text))
            edit->setText(qs(*text));
    if (QLineEdit* edit = fieldOf(logic_.focus))
        edit->setFocus();
    else if (logic_.focus == MappingEntryField::Confirm)
        ok_->setFocus();
    else
        cancle_->setFocus();
}

} // namespace lw::gui
