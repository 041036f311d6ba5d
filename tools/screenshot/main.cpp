// listwright-screenshot [--window main|harvest|mapping|settings|summary] [--shop URL]
//                       [--keyword TEXT] [--group NAME] [--out FILE] OUT.png [WIDTH HEIGHT]
// Starts a window as the program does (data folder from LISTWRIGHT_DATA_DIR), waits for
// it to settle and saves a picture of it:
//   main     the main window after its start-up loading;
//   harvest  the harvest window after a search of --shop (the shop and picture hosts
//            are reached through http_proxy), the closing question answered No so the
//            Link Lines stay in the box;
//   mapping  the mapping editor with the stored mappings;
//   settings the Relay settings dialog after its "测试连接";
//   summary  the end of a download run of the ticked links into --out with
//            "出错时跳过该宝贝继续下载" ticked: the main window with the summary box.
#include "app/application.hpp"
#include "app/desktop_frame.hpp"
#include "app/main_window.hpp"
#include "app/main_window_widget.hpp"
#include "app/relay_settings.hpp"
#include "app/relay_settings_dialog.hpp"
#include "app/workspace.hpp"
#include "catalog/mapping_editor_window.hpp"
#include "harvest/harvest_dialog.hpp"
#include "store/database.hpp"
#include "ui/clock.hpp"
#include "ui/qt_desktop.hpp"
#include "ui/qt_dialogs.hpp"
#include "ui/qt_event_loop.hpp"
#include "ui/silent_dialogs.hpp"

#include <QElapsedTimer>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QThread>

#include <algorithm>
#include <functional>
#include <iostream>
#include <memory>

using namespace lw;
using namespace lw::gui;

namespace {

// Lets events run until done() (at least minMs, at most 15 s).
void settle(const std::function<bool()>& done, int minMs) {
    QElapsedTimer timer;
    timer.start();
    while ((!done() || timer.elapsed() < minMs) && timer.elapsed() < 15000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        QThread::msleep(10);
    }
}

struct Options {
    std::string window = "main";
    std::string shop;
    std::string keyword;
    std::string group;
    std::string packageFile;
    std::vector<std::string> rest;
};

Options parseOptions(int argc, char** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        std::string word = argv[i];
        auto value = [&](std::string& into) {
            if (i + 1 < argc)
                into = argv[++i];
        };
        if (word == "--window")
            value(o.window);
        else if (word == "--shop")
            value(o.shop);
        else if (word == "--keyword")
            value(o.keyword);
        else if (word == "--group")
            value(o.group);
        else if (word == "--out")
            value(o.packageFile);
        else
            o.rest.push_back(word);
    }
    return o;
}

} // namespace

int main(int argc, char** argv) {
    Application app(argc, argv);
    Options options = parseOptions(argc, argv);
    const std::vector<std::string> windows = {"main", "harvest", "mapping", "settings", "summary"};
    if (options.rest.empty() ||
        std::find(windows.begin(), windows.end(), options.window) == windows.end()) {
        std::cerr
            << "usage: listwright-screenshot [--window main|harvest|mapping|settings|summary] "
               "[--shop URL] [--keyword TEXT] [--group NAME] [--out FILE] OUT.png [WIDTH "
               "HEIGHT]\n";
        return 2;
    }
    QString out = QString::fromLocal8Bit(options.rest[0].c_str());
    int width = options.rest.size() > 2 ? std::stoi(options.rest[1]) : 1280;
    int height = options.rest.size() > 2 ? std::stoi(options.rest[2]) : 800;

    QtEventLoop loop;
    QtDialogs dialogs;
    // Nothing modal may stand in front of the window being pictured.
    SilentDialogs quiet(&std::cerr);
    QtDesktop desktop;
    SystemClock clock;
    Workspace workspace({});
    if (!workspace.openDatabase()) {
        std::cerr << workspace.error() << "\n";
        return 1;
    }
    Database* db = &workspace.db();

    QPixmap picture;
    if (options.window == "main") {
        Ports ports{*db, dialogs, desktop, loop, clock};
        DesktopFrame frame(ports);
        MainWindowLogic logic(ports, frame, workspace.programFolder(), workspace.config());
        MainWindowWidget window(logic, frame);
        logic.initialise();
        window.resize(width, height);
        window.show();
        logic.onShown();
        settle([&] { return logic.trayMenuAttached(); }, 1200);
        picture = window.grab();
    } else if (options.window == "harvest") {
        HarvestWindowLogic logic(HarvestPorts{*db, quiet, loop});
        HarvestDialog dialog(logic);
        std::int64_t group = 0;
        Query q = db->query("select uniqid from tb_groups where groupname=?", {options.group});
        if (!q.eof())
            group = q.integer("uniqid");
        logic.prepare("搜索添加宝贝链接(URL)-" + options.group, group);
        logic.onShown();
        dialog.resize(width, height);
        dialog.show();
        settle([] { return false; }, 300);
        // Typed and pressed as the user would.
        auto* shop = dialog.findChild<QLineEdit*>("_TaobaoURL");
        auto* keyword = dialog.findChild<QLineEdit*>("_Keyword");
        auto* search = dialog.findChild<QPushButton*>("_Search");
        if (!shop || !keyword || !search) {
            std::cerr << "the harvest window has no _TaobaoURL, _Keyword or _Search\n";
            return 1;
        }
        shop->setText(QString::fromStdString(options.shop));
        keyword->setText(QString::fromStdString(options.keyword));
        search->click();
        settle([&] { return !logic.searching(); }, 800);
        picture = dialog.grab();
    } else if (options.window == "settings") {
        RelaySettingsLogic logic(loop, workspace.config(), workspace.programFolder());
        RelaySettingsDialog dialog(logic);
        dialog.resize(width, dialog.sizeHint().height());
        dialog.show();
        logic.testConnection();
        settle([&] { return !logic.testing(); }, 500);
        picture = dialog.grab();
    } else if (options.window == "summary") {
        // The run's questions answered as the user would; its end shown as the box.
        std::string summary;
        quiet.fileExistsChoice = FileExistsChoice::Overwrite;
        quiet.answerQuestion = [&summary](const MessageRequest& request) {
            if (request.icon == Icon::Information) {
                summary = request.text;
                return Answer::No;
            }
            return Answer::Yes;
        };
        Ports ports{*db, quiet, desktop, loop, clock};
        DesktopFrame frame(ports);
        MainWindowLogic logic(ports, frame, workspace.programFolder(), workspace.config());
        MainWindowWidget window(logic, frame);
        logic.initialise();
        window.resize(width, height);
        window.show();
        logic.onShown();
        settle([&] { return logic.trayMenuAttached(); }, 800);
        logic.setSkipFailedOffers(true);
        logic.state().saveFile = options.packageFile;
        logic.startDownload();
        settle([&] { return logic.downloadRun().outcome() != RunOutcome::Running; }, 500);
        settle([] { return false; }, 500);
        QMessageBox box(QMessageBox::Information, "提示", QString::fromStdString(summary),
                        QMessageBox::NoButton, &window);
        box.addButton("是(&Y)", QMessageBox::YesRole);
        box.setDefaultButton(box.addButton("否(&N)", QMessageBox::NoRole));
        box.show();
        settle([] { return false; }, 500);
        // The window with the box in its middle, as the user sees them.
        picture = window.grab();
        QPainter painter(&picture);
        const QPixmap boxPicture = box.grab();
        painter.drawPixmap((picture.width() - boxPicture.width()) / 2,
                           (picture.height() - boxPicture.height()) / 2, boxPicture);
    } else {
        MappingEditorWindow editor(*db, quiet);
        editor.resize(width, height);
        editor.show();
        settle([] { return false; }, 800);
        picture = editor.grab();
    }
    if (!picture.save(out, "PNG")) {
        std::cerr << "cannot write " << out.toStdString() << "\n";
        return 1;
    }
    std::cout << out.toStdString() << "\n";
    return 0;
}
