#include "app/relay_settings_dialog.hpp"

#include "ui/qt_text.hpp"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace lw::gui {

namespace {

struct FieldLook {
    const char* key;
    const char* objectName;
    const char* label;
    const char* placeholder;
};

constexpr FieldLook kFields[] = {
    {"relay.host", "_Host", "地址:", "例如 https://relay.example.com 或 relay.example.com:8080"},
    {"relay.app_key", "_AppKey", "App Key:", ""},
    {"relay.access_token", "_AccessToken", "Access Token:", ""},
    {"relay.account_code", "_AccountCode", "账户代码:", ""},
};

} // namespace

RelaySettingsDialog::RelaySettingsDialog(RelaySettingsLogic& logic, QWidget* parent)
    : QDialog(parent), logic_(logic) {
    setObjectName("frmRelaySettings");
    setWindowTitle("Relay 设置");
    setModal(true);
    auto* layout = new QVBoxLayout(this);

    explanation_ = new QLabel(toQ(logic_.explanation), this);
    explanation_->setObjectName("_Explanation");
    explanation_->setWordWrap(true);
    explanation_->setVisible(!logic_.explanation.empty());
    layout->addWidget(explanation_);

    auto* form = new QFormLayout;
    for (const FieldLook& f : kFields) {
        auto* edit = new QLineEdit(toQ(logic_.value(f.key)), this);
        edit->setObjectName(f.objectName);
        edit->setPlaceholderText(toQ(f.placeholder));
        edit->setMinimumWidth(360);
        const std::string key = f.key;
        connect(edit, &QLineEdit::textEdited, this,
                [this, key](const QString& text) { logic_.setValue(key, fromQ(text)); });
        auto* note = new QLabel(this);
        note->setObjectName(QString(f.objectName) + "Override");
        note->setStyleSheet("color: rgb(128,64,0);");
        auto* cell = new QVBoxLayout;
        cell->setSpacing(0);
        cell->addWidget(edit);
        cell->addWidget(note);
        form->addRow(toQ(f.label), cell);
        fields_[key] = edit;
        notes_[key] = note;
    }
    layout->addLayout(form);

    warning_ = new QLabel(this);
    warning_->setObjectName("_Warning");
    warning_->setWordWrap(true);
    warning_->setStyleSheet("color: rgb(192,0,0);");
    layout->addWidget(warning_);

    auto* testRow = new QHBoxLayout;
    test_ = new QPushButton("测试连接", this);
    test_->setObjectName("_TestConnection");
    test_->setAutoDefault(false);
    connect(test_, &QPushButton::clicked, this, [this] { logic_.testConnection(); });
    testRow->addWidget(test_);
    result_ = new QLabel(this);
    result_->setObjectName("_TestResult");
    result_->setWordWrap(true);
    testRow->addWidget(result_, 1);
    layout->addLayout(testRow);

    file_ = new QLabel(this);
    file_->setObjectName("_ConfigFile");
    file_->setWordWrap(true);
    file_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(file_);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton("确定", QDialogButtonBox::AcceptRole);
    ok->setObjectName("_OK");
    QPushButton* cancel = buttons->addButton("取消", QDialogButtonBox::RejectRole);
    cancel->setObjectName("_Cancel");
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);

    connections_.push_back(logic_.changed.connect([this] { pull(); }));
    pull();
}

RelaySettingsDialog::~RelaySettingsDialog() {
    connections_.clear();
}

void RelaySettingsDialog::pull() {
    for (auto& [key, note] : notes_) {
        std::string text = logic_.overrideNote(key);
        note->setText(toQ(text));
        note->setVisible(!text.empty());
    }
    const std::string warning = logic_.warning();
    warning_->setText(toQ(warning));
    warning_->setVisible(!warning.empty());
    test_->setEnabled(!logic_.testing());
    result_->setText(toQ(logic_.testResult()));
    file_->setText(toQ(logic_.fileNote()));
}

void RelaySettingsDialog::accept() {
    const std::string error = logic_.save();
    if (!error.empty()) {
        // The dialog stays open with what was typed.
        result_->setText(toQ(error));
        return;
    }
    QDialog::accept();
}

} // namespace lw::gui
