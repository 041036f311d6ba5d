#pragma once

#include "app/main_window.hpp"
#include "ui/signal.hpp"

#include <QMainWindow>

#include <vector>

class QAction;
class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QStatusBar;
class QSystemTrayIcon;
class QTabWidget;
class QToolBar;

namespace lw::gui {

class ProgressFrame;

class DesktopFrame;
class ItemPage;

// The main window MainWindowLogic: toolbar, options bar, the tab page with the item
// list and the diagnostic memo, two status bars, the floating progress panel, the
// menus and the tray icon, bound to the logic class. Behaviour lives in the logic.
class MainWindowWidget : public QMainWindow {
    Q_OBJECT
public:
    MainWindowWidget(MainWindowLogic& logic, DesktopFrame& frame, QWidget* parent = nullptr);
    ~MainWindowWidget() override;

    MainWindowLogic& logic() { return logic_; }
    ItemPage* itemPage() const { return page_; }
    ProgressFrame* progressPanel() const { return panel_; }
    QSystemTrayIcon* trayIcon() const { return tray_; }
    // Shows the window where it was at the last close: maximised unless it was not.
    void showAsRemembered();
    QMenu* trayMenu() const { return trayMenu_; }

Q_SIGNALS:
    // The window was closed and its settings stored: the program ends.
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildMenus();
    void buildToolBar();
    void buildOptionsBar();
    void buildCentre();
    void buildProgressPanel();
    void buildTray();
    void bindState();
    void readOptions();
    void readPanel();
    void readFrame();
    void readTray();
    void placePanelOverPage();
    void applyLayout();
    void rememberLayout();

    MainWindowLogic& logic_;
    DesktopFrame& frame_;
    QToolBar* toolBar_ = nullptr;
    QToolBar* optionsBar_ = nullptr;
    QLineEdit* saveFile_ = nullptr;
    QComboBox* itemCats_ = nullptr;
    QCheckBox* chkClearLink_ = nullptr;
    QCheckBox* chkDescLocal_ = nullptr;
    QCheckBox* pagePrice_ = nullptr;
    QLabel* priceRule_ = nullptr;
    QCheckBox* skipFailed_ = nullptr;
    QTabWidget* pages_ = nullptr;
    ItemPage* page_ = nullptr;
    QPlainTextEdit* debug_ = nullptr;
    QStatusBar* statusBar_ = nullptr;
    QLabel* statusText_ = nullptr;
    QStatusBar* statusBar2_ = nullptr;
    QLabel* versionStatus_ = nullptr;
    QLabel* allowance_ = nullptr;
    QLabel* tips_ = nullptr;
    ProgressFrame* panel_ = nullptr;
    QSystemTrayIcon* tray_ = nullptr;
    QMenu* trayMenu_ = nullptr;
    bool closing_ = false;
    std::vector<Connection> connections_;
};

} // namespace lw::gui
