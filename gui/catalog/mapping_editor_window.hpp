#pragma once

#include "catalog/mapping_editor.hpp"
#include "catalog/mapping_entry.hpp"
#include "ui/signal.hpp"

#include <QDialog>

#include <vector>

class QAction;
class QFrame;
class QLabel;
class QMenu;
class QStatusBar;
class QTreeWidget;

namespace lw::gui {

class ProgressFrame;

class MappingEntryWindow;

// MappingEditorLogic's looks: toolbar, list, context menu, progress panel and status bar.
// It owns the editor logic and the mapping dialog, both reused for every showing.
class MappingEditorWindow : public QDialog {
    Q_OBJECT
public:
    MappingEditorWindow(Database& db, Dialogs& dialogs, QWidget* parent = nullptr);

    MappingEditorLogic& logic() { return admin_; }
    MappingEntryWindow* dialogWindow() const { return dialogWindow_; }

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void fillList();
    void pullSelection();
    void pushSelection();
    void pullPanel();
    void placePanel();

    MappingEntryLogic modi_;
    MappingEditorLogic admin_;
    MappingEntryWindow* dialogWindow_;
    QTreeWidget* list_;
    QMenu* popup_;
    ProgressFrame* panel_;
    QStatusBar* statusBar_;
    QLabel* status_;
    bool pulling_ = false;
    std::vector<Connection> connections_;
};

} // namespace lw::gui
