// listwright: the desktop program.
#include "app/application.hpp"
#include "app/desktop_frame.hpp"
#include "app/first_start.hpp"
#include "app/main_window.hpp"
#include "app/main_window_widget.hpp"
#include "app/splash.hpp"
#include "app/splash_window.hpp"
#include "app/workspace.hpp"
#include "store/database.hpp"
#include "ui/clock.hpp"
#include "ui/dialogs.hpp"
#include "ui/enter_presses_button.hpp"
#include "ui/qt_desktop.hpp"
#include "ui/qt_dialogs.hpp"
#include "ui/qt_event_loop.hpp"
#include "ui/qt_text.hpp"
#include "ui/qt_translations.hpp"

#include <QTimer>

#include <exception>
#include <filesystem>
#include <memory>

using namespace lw;
using namespace lw::gui;

int main(int argc, char** argv) {
    Application app(argc, argv);
    // 1. The application title.
    // No display name: Qt would append it to every window title.
    QApplication::setApplicationName("Listwright");
    // Ties the windows to listwright.desktop, so the desktop shows its name and icon.
    QGuiApplication::setDesktopFileName("listwright");
    // The program ends when the main window closes, not when a hidden-to-tray window's
    // last dialog does.
    QApplication::setQuitOnLastWindowClosed(false);
    installQtTranslations(&app);
    EnterPressesButton enterPressesButton;

    QtEventLoop loop;
    QtDialogs dialogs; // 4. the file-exists dialog is created here, hidden
    QtDesktop desktop;
    SystemClock clock;

    // 2. The splash; it shows when the event loop runs.
    SplashLogic splashLogic(loop);
    auto* splash = new SplashWindow(splashLogic);

    // 3. The configuration, the data folder and the database.
    Workspace workspace({});
    if (!workspace.openDatabase()) {
        // The program ends before the main window exists.
        delete splash;
        dialogs.message("错误", workspace.error(), Icon::Error);
        return 1;
    }
    Database& db = workspace.db();
    DesktopFrame frame(Ports{db, dialogs, desktop, loop, clock});
    frame.setSplash(splash);

    std::unique_ptr<MainWindowLogic> logic;
    std::unique_ptr<MainWindowWidget> window;
    // 6. One second after the splash shows: create and show the main window.
    splashLogic.onTimer = [&] {
        try {
            splash->hide();
            logic =
                std::make_unique<MainWindowLogic>(Ports{db, dialogs, desktop, loop, clock}, frame,
                                                  workspace.programFolder(), workspace.config());
            window = std::make_unique<MainWindowWidget>(*logic, frame);
            dialogs.setParentWidget(window.get());
            QObject::connect(window.get(), &MainWindowWidget::closed, &app, &QApplication::quit);
            logic->initialise();
            window->showAsRemembered();
            logic->onShown();
            // First start without a configuration: the Relay settings dialog, once the
            // window has finished loading (it raises itself then, which would put it
            // over a dialog shown earlier on a desktop without a window manager).
            if (!workspace.configHint().empty()) {
                auto* wait = new QTimer(window.get());
                QObject::connect(wait, &QTimer::timeout, [wait, &logic] {
                    if (!logic->trayMenuAttached())
                        return;
                    wait->stop();
                    wait->deleteLater();
                    logic->openRelaySettings(kFirstStartExplanation);
                });
                wait->start(100);
            }
        } catch (const std::exception& e) {
            Application::reportError(QString::fromUtf8(e.what()));
            QCoreApplication::exit(1);
        }
    };
    // 5. The event loop.
    splash->show();
    int rc = QApplication::exec();
    window.reset();
    logic.reset();
    return rc;
}
