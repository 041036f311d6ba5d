// listwright: the desktop program.
#include "app/application.hpp"
#include "app/config.hpp"
#include "app/first_start.hpp"
#include "app/main_window.hpp"
#include "app/main_window_widget.hpp"
#include "app/splash.hpp"
#include "app/splash_window.hpp"
#include "app/window_hooks.hpp"
#include "store/database.hpp"
#include "store/database_open.hpp"
#include "ui/clock.hpp"
#include "ui/qt_desktop.hpp"
#include "ui/qt_dialogs.hpp"
#include "ui/qt_event_loop.hpp"
#include "ui/qt_text.hpp"

#include <QLibraryInfo>
#include <QLocale>
#include <QTimer>
#include <QTranslator>

#include <exception>
#include <filesystem>
#include <memory>

using namespace lw;
using namespace lw::gui;

int main(int argc, char** argv) {
    Application app(argc, argv);
    // 1. The application title.
    QApplication::setApplicationName("Listwright");
    QApplication::setApplicationDisplayName("Listwright");
    // Ties the windows to listwright.desktop, so the desktop shows its name and icon.
    QGuiApplication::setDesktopFileName("listwright");
    // The program ends when the main window closes, not when a hidden-to-tray window's
    // last dialog does.
    QApplication::setQuitOnLastWindowClosed(false);
    QTranslator qtTranslator;
    if (qtTranslator.load(QLocale(QLocale::Chinese, QLocale::China), "qtbase", "_",
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTranslator);

    QtEventLoop loop;
    QtDialogs dialogs; // 4. the file-exists dialog is created here, hidden
    QtDesktop desktop;
    SystemClock clock;

    // 2. The splash; it shows when the event loop runs.
    SplashLogic splashLogic(loop);
    auto* splash = new SplashWindow(splashLogic);

    // 3. The data module: configuration, the data folder and the database.
    std::string programFolder = executableFolder();
    Config config = loadConfig(programFolder);
    std::string dataFolder = resolveDataFolder(programFolder);
    std::error_code ec;
    const bool firstStart = !std::filesystem::exists(databasePathIn(dataFolder), ec);
    std::string error = ensureDatabaseFile(dataFolder, findDeliveredDatabase(programFolder));
    if (!error.empty()) {
        delete splash;
        Application::reportError(toQ(error));
        return 1;
    }
    DatabaseOpenOptions options;
    options.databasePath = databasePathIn(dataFolder);
    options.password = config.dbPassword;
    options.programFolder = programFolder;
    std::unique_ptr<Database> db = openDatabase(options, dialogs);
    if (!db) {
        // The program ends before the main window exists.
        delete splash;
        return 1;
    }
    // 4. The mapping editor and the mapping dialog are created hidden here once they
    // exist (see InstallWindowHooks).

    std::unique_ptr<MainWindowLogic> logic;
    std::unique_ptr<MainWindowWidget> window;
    // 6. One second after the splash shows: create and show the main window.
    splashLogic.onTimer = [&] {
        try {
            splash->hide();
            logic = std::make_unique<MainWindowLogic>(
                MainWindowPorts{*db, dialogs, desktop, loop, clock}, programFolder, config);
            logic->hooks.destroySplash = [&] {
                splash->deleteLater();
                splash = nullptr;
            };
            window = std::make_unique<MainWindowWidget>(*logic);
            dialogs.setParentWidget(window.get());
            installWindowHooks(*logic, window.get());
            QObject::connect(window.get(), &MainWindowWidget::closed, &app, &QApplication::quit);
            logic->initialise();
            window->showMaximized();
            logic->onShown();
            // First start without a configuration file: say where it goes, once the
            // window has finished loading (it raises itself then, which would put it
            // over a box shown earlier on a desktop without a window manager).
            std::string hint =
                firstStart ? missingConfigHint(config, findConfigExample(programFolder)) : "";
            if (!hint.empty()) {
                auto* wait = new QTimer(window.get());
                QObject::connect(wait, &QTimer::timeout, [wait, &logic, &dialogs, hint] {
                    if (!logic->trayMenuAttached())
                        return;
                    wait->stop();
                    wait->deleteLater();
                    dialogs.message("提示", hint, Icon::Information);
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
    delete splash;
    return rc;
}
