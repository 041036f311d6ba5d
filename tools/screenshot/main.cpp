// listwright-screenshot OUT.png [WIDTH HEIGHT]: starts the main window as the program
// does (data folder from LISTWRIGHT_DATA_DIR), waits for the start-up loading and
// saves a picture of it.
#include "app/application.hpp"
#include "app/config.hpp"
#include "app/main_window.hpp"
#include "app/main_window_widget.hpp"
#include "store/data_module.hpp"
#include "store/database.hpp"
#include "ui/clock.hpp"
#include "ui/qt_desktop.hpp"
#include "ui/qt_dialogs.hpp"
#include "ui/qt_event_loop.hpp"

#include <QElapsedTimer>
#include <QPixmap>
#include <QThread>

#include <iostream>
#include <memory>

using namespace lw;
using namespace lw::gui;

int main(int argc, char** argv) {
    Application app(argc, argv);
    if (argc < 2) {
        std::cerr << "usage: listwright-screenshot OUT.png [WIDTH HEIGHT]\n";
        return 2;
    }
    QString out = QString::fromLocal8Bit(argv[1]);
    int width = argc > 3 ? std::atoi(argv[2]) : 1280;
    int height = argc > 3 ? std::atoi(argv[3]) : 800;

    QtEventLoop loop;
    QtDialogs dialogs;
    QtDesktop desktop;
    SystemClock clock;
    std::string programFolder = ProgramFolder();
    Config config = LoadConfig(programFolder);
    std::string dataFolder = ResolveDataFolder(programFolder);
    std::string error = EnsureDatabaseFile(dataFolder, FindDeliveredDatabase(programFolder));
    if (!error.empty()) {
        std::cerr << error << "\n";
        return 1;
    }
    DataModuleOptions options;
    options.databasePath = DatabasePathIn(dataFolder);
    options.password = config.dbPassword;
    options.programFolder = programFolder;
    std::unique_ptr<Database> db = DataModuleCreate(options, dialogs);
    if (!db)
        return 1;

    TfrmFromDownload logic(MainWindowPorts{*db, dialogs, desktop, loop, clock}, programFolder,
                           config);
    MainWindowWidget window(logic);
    logic.FormCreate();
    window.resize(width, height);
    window.show();
    logic.FormShow();
    QElapsedTimer timer;
    timer.start();
    while ((!logic.trayMenuAttached() || timer.elapsed() < 1200) && timer.elapsed() < 10000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        QThread::msleep(10);
    }
    if (!window.grab().save(out, "PNG")) {
        std::cerr << "cannot write " << out.toStdString() << "\n";
        return 1;
    }
    std::cout << out.toStdString() << "\n";
    return 0;
}
