#pragma once

#include "ui/dialogs.hpp"

#include <QDialog>
#include <QPointer>

class QLabel;

namespace lw::gui {

// The file-exists dialog FileExistsPrompt: picture, word-wrapped label, four buttons.
class MsgBoxDialog : public QDialog {
    Q_OBJECT
public:
    explicit MsgBoxDialog(QWidget* parent = nullptr);
    // Shows it modally with this label text; closing by the title bar is Cancel.
    FileExistsChoice ask(const std::string& text);

private:
    QLabel* label_;
    FileExistsChoice choice_ = FileExistsChoice::Cancel;
};

// The dialogs port through Qt's modal dialogs.
class QtDialogs : public Dialogs {
public:
    QtDialogs();
    ~QtDialogs() override;
    // Parent of the dialogs (the main window once it exists).
    void setParentWidget(QWidget* parent) { parent_ = parent; }

    Answer show(const MessageRequest& request) override;
    FileExistsChoice fileExists(const std::string& text) override;
    std::optional<std::string> inputText(const std::string& title, const std::string& prompt,
                                         const std::string& initial) override;
    std::optional<int> chooseFromList(const std::string& title, const std::string& label,
                                      const std::vector<std::string>& items, int selected) override;
    std::optional<std::string> saveFile(const FileDialogRequest& request) override;
    std::optional<std::string> openFile(const FileDialogRequest& request) override;

    // "csv 文件(*.csv)|*.csv" as a Qt name filter list.
    static QString nameFilters(const std::string& filter);

private:
    QWidget* parent() const;
    std::optional<std::string> chooseFile(const FileDialogRequest& request, bool save);

    QPointer<QWidget> parent_;
    // Created hidden at start and kept, as the download run expects.
    MsgBoxDialog* msgBox_;
};

} // namespace lw::gui
