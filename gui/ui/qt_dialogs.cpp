#include "qt_dialogs.hpp"

#include "app/file_exists_prompt.hpp"
#include "qt_text.hpp"
#include "store/text_routines.hpp"

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace lw::gui {

MsgBoxDialog::MsgBoxDialog(QWidget* parent) : QDialog(parent) {
    setObjectName("frmMsgBox");
    setWindowTitle(toQ(FileExistsPrompt::kCaption));
    setModal(true);
    auto* picture = new QLabel(this);
    picture->setObjectName("_Image");
    picture->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxQuestion).pixmap(48, 48));
    label_ = new QLabel(toQ(FileExistsPrompt::kDefaultLabel), this);
    label_->setObjectName("_Label");
    label_->setWordWrap(true);
    label_->setMinimumWidth(320);
    auto* top = new QHBoxLayout;
    top->addWidget(picture, 0, Qt::AlignTop);
    top->addWidget(label_, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    for (const FileExistsPrompt::Button& b : FileExistsPrompt::kButtons) {
        auto* button = new QPushButton(toQ(b.caption), this);
        button->setObjectName(b.objectName);
        if (*b.hint)
            button->setToolTip(toQ(b.hint));
        FileExistsChoice result = b.result;
        connect(button, &QPushButton::clicked, this, [this, result] {
            choice_ = result;
            accept();
        });
        buttons->addWidget(button);
    }
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(buttons);
}

FileExistsChoice MsgBoxDialog::ask(const std::string& text) {
    label_->setText(toQ(text));
    choice_ = FileExistsChoice::Cancel;
    if (exec() != QDialog::Accepted)
        return FileExistsChoice::Cancel;
    return choice_;
}

QtDialogs::QtDialogs() : msgBox_(new MsgBoxDialog) {}

QtDialogs::~QtDialogs() {
    delete msgBox_;
}

QWidget* QtDialogs::parent() const {
    // A box asked from inside a modal window (the harvest window) stays on top of it.
    if (QWidget* modal = QApplication::activeModalWidget())
        return modal;
    if (parent_)
        return parent_;
    return QApplication::activeWindow();
}

Answer QtDialogs::show(const MessageRequest& request) {
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    switch (request.icon) {
    case Icon::Information:
        icon = QMessageBox::Information;
        break;
    case Icon::Warning:
        icon = QMessageBox::Warning;
        break;
    case Icon::Error:
        icon = QMessageBox::Critical;
        break;
    case Icon::Question:
        icon = QMessageBox::Question;
        break;
    case Icon::None:
        break;
    }
    QMessageBox box(icon, toQ(request.title), toQ(request.text), QMessageBox::NoButton, parent());
    box.setObjectName("messageBox");
    if (request.buttons == Buttons::YesNo) {
        QPushButton* yes = box.addButton("是(&Y)", QMessageBox::YesRole);
        QPushButton* no = box.addButton("否(&N)", QMessageBox::NoRole);
        box.setDefaultButton(request.defaultNo ? no : yes);
        box.setEscapeButton(no);
        box.exec();
        return box.clickedButton() == yes ? Answer::Yes : Answer::No;
    }
    box.addButton("确定", QMessageBox::AcceptRole);
    box.exec();
    return Answer::Ok;
}

FileExistsChoice QtDialogs::fileExists(const std::string& text) {
    return msgBox_->ask(text);
}

std::optional<std::string> QtDialogs::inputText(const std::string& title, const std::string& prompt,
                                                const std::string& initial) {
    QInputDialog dialog(parent());
    dialog.setObjectName("inputDialog");
    dialog.setWindowTitle(toQ(title));
    dialog.setLabelText(toQ(prompt));
    dialog.setTextValue(toQ(initial));
    dialog.setOkButtonText("确定");
    dialog.setCancelButtonText("取消");
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return fromQ(dialog.textValue());
}

std::optional<int> QtDialogs::chooseFromList(const std::string& title, const std::string& label,
                                             const std::vector<std::string>& items, int selected) {
    QDialog dialog(parent());
    dialog.setObjectName("frmMoveToGroup");
    dialog.setWindowTitle(toQ(title));
    auto* caption = new QLabel(toQ(label), &dialog);
    auto* combo = new QComboBox(&dialog);
    combo->setObjectName("_Group");
    combo->setMinimumWidth(240);
    for (const std::string& item : items)
        combo->addItem(toQ(item));
    combo->setCurrentIndex(selected);
    auto* buttons = new QDialogButtonBox(&dialog);
    buttons->addButton("确定", QDialogButtonBox::AcceptRole);
    buttons->addButton("取消", QDialogButtonBox::RejectRole);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(caption);
    layout->addWidget(combo);
    layout->addWidget(buttons);
    dialog.setFixedSize(dialog.sizeHint());
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return combo->currentIndex();
}

QString QtDialogs::nameFilters(const std::string& filter) {
    QStringList filters;
    std::vector<std::string> parts = splitText(filter, "|");
    for (size_t i = 0; i + 1 < parts.size(); i += 2) {
        QString description = toQ(parts[i]);
        QString pattern = toQ(parts[i + 1]).replace(';', ' ');
        filters << (description.contains('(') ? description : description + " (" + pattern + ")");
    }
    return filters.join(";;");
}

std::optional<std::string> QtDialogs::chooseFile(const FileDialogRequest& request, bool save) {
    QFileDialog dialog(parent(), toQ(request.title));
    dialog.setObjectName("fileDialog");
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setNameFilter(nameFilters(request.filter));
    dialog.setDefaultSuffix(toQ(request.defaultExtension));
    // The callers replace an existing file on purpose (or ask themselves).
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    QFileInfo initial(toQ(request.initialPath));
    if (!request.initialPath.empty() && initial.isAbsolute()) {
        dialog.setDirectory(initial.absolutePath());
        dialog.selectFile(initial.fileName());
    } else {
        dialog.setDirectory(QDir::homePath());
        if (!request.initialPath.empty())
            dialog.selectFile(toQ(request.initialPath));
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return fromQ(QDir::toNativeSeparators(dialog.selectedFiles().front()));
}

std::optional<std::string> QtDialogs::saveFile(const FileDialogRequest& request) {
    return chooseFile(request, true);
}

std::optional<std::string> QtDialogs::openFile(const FileDialogRequest& request) {
    return chooseFile(request, false);
}

} // namespace lw::gui
