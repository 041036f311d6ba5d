#pragma once

#include "harvest/harvest_window.hpp"
#include "ui/signal.hpp"

#include <QDialog>
#include <QPointer>

#include <memory>
#include <vector>

class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QStatusBar;

namespace lw::gui {

class ProgressFrame;

// The harvest window HarvestWindowLogic: the search bar, the link box, the bottom row, the
// status bar, the diagnostic log and the floating progress panel, bound to the logic.
class HarvestDialog : public QDialog {
    Q_OBJECT
public:
    explicit HarvestDialog(HarvestWindowLogic& logic, QWidget* parent = nullptr);
    ~HarvestDialog() override;

    HarvestWindowLogic& logic() { return logic_; }
    ProgressFrame* progressPanel() const { return panel_; }

    // Esc and the frame's close button are the bottom row's "取消".
    void reject() override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void buildSearchBar();
    void buildLinkBox();
    void buildBottomRow();
    void buildProgressPanel();
    void bindLogic();
    void readFields();
    void readBox();
    void readPanel();
    void placePanel();

    HarvestWindowLogic& logic_;
    QFrame* panelSearch_ = nullptr;
    QLineEdit* shopAddress_ = nullptr;
    QLineEdit* keyword_ = nullptr;
    QPlainTextEdit* url_ = nullptr;
    QCheckBox* check_ = nullptr;
    QPlainTextEdit* debug_ = nullptr;
    QStatusBar* statusBar_ = nullptr;
    QLabel* statusText_ = nullptr;
    ProgressFrame* panel_ = nullptr;
    bool syncing_ = false;
    // Cleared when the dialog goes, so the logic's signals no longer reach it.
    std::vector<Connection> connections_;
};

// The harvest window of the main window: created on first use and kept, shown modally
// for a target Group; true when it closed with OK (Item Links were added).
class HarvestWindow {
public:
    HarvestWindow(HarvestPorts ports, QWidget* parent);
    ~HarvestWindow();
    HarvestWindow(const HarvestWindow&) = delete;
    HarvestWindow& operator=(const HarvestWindow&) = delete;

    bool exec(const std::string& caption, std::int64_t targetGroup);
    HarvestWindowLogic& logic() { return *logic_; }
    HarvestDialog* dialog() const { return dialog_; }

private:
    std::unique_ptr<HarvestWindowLogic> logic_;
    QPointer<HarvestDialog> dialog_;
};

} // namespace lw::gui
