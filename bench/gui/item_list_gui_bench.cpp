// The same load as item_list_bench, shown in the real main window (offscreen unless a
// display is given): time from reloadItems until the list view shows the last row, and
// the peak memory of the whole program.
#include "app/desktop_frame.hpp"
#include "app/main_window.hpp"
#include "app/main_window_widget.hpp"
#include "bench_database.hpp"
#include "items/item_page.hpp"
#include "ui/clock.hpp"
#include "ui/qt_desktop.hpp"
#include "ui/qt_dialogs.hpp"
#include "ui/qt_event_loop.hpp"

#include <QApplication>
#include <QTreeView>

#include <chrono>
#include <cstdio>

using namespace lw;
using namespace lw::gui;
using Steady = std::chrono::steady_clock;

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    int links = argc > 1 ? std::atoi(argv[1]) : 100000;
    bench::BenchDatabase data(links);
    QtEventLoop loop;
    QtDialogs dialogs;
    QtDesktop desktop;
    SystemClock clock;
    Ports ports{data.db(), dialogs, desktop, loop, clock};
    DesktopFrame frame(ports);
    MainWindowLogic logic(ports, frame, data.folder());
    logic.homeFolder = data.folder();
    MainWindowWidget window(logic, frame);
    logic.initialise();
    window.resize(1280, 800);
    window.show();
    QCoreApplication::processEvents();
    double before = bench::currentRssMiB();

    QTreeView* view = window.itemPage()->listView();
    auto start = Steady::now();
    logic.view().reloadItems();
    view->scrollToBottom();
    QCoreApplication::processEvents();
    view->viewport()->repaint();
    double load = std::chrono::duration<double>(Steady::now() - start).count();
    double peak = bench::peakRssMiB();

    std::printf("rows in the view:        %d of %d\n", view->model()->rowCount(), links);
    std::printf("RefreshData to last row: %.3f s   (target < 1.5 s)\n", load);
    std::printf("peak memory:             %.1f MiB (window shown %.1f MiB; target < 200 MB)\n",
                peak, before);
    return view->model()->rowCount() == links ? 0 : 1;
}
