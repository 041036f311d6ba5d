#include "window_hooks.hpp"

#include "catalog/catalog_hooks.hpp"
#include "harvest/harvest_dialog.hpp"
#include "package/download_run.hpp"

#include <QObject>

#include <memory>

namespace lw::gui {
namespace {

// Keeps the download run as long as the main window lives.
class DownloadRunHolder : public QObject {
public:
    DownloadRunHolder(std::unique_ptr<DownloadRun> run, QObject* parent)
        : QObject(parent), run_(std::move(run)) {}

private:
    std::unique_ptr<DownloadRun> run_;
};

} // namespace

void installWindowHooks(MainWindowLogic& logic, QWidget* mainWindow) {
    // Each subsystem assigns its hook here when its window lands:
    //   logic.hooks.formRelayAddresses, startAllowance, startTips.
    installCatalogHooks(logic, mainWindow);

    // "开始下载": the panel and the list follow the run through their signals.
    new DownloadRunHolder(installDownloadRun(logic), mainWindow);

    // The harvest window: created on first use and kept with the main window's logic.
    auto harvest = std::make_shared<std::unique_ptr<HarvestWindow>>();
    logic.hooks.showHarvest = [&logic, mainWindow, harvest](const std::string& caption,
                                                            std::int64_t targetGroup) {
        if (!*harvest) {
            const MainWindowPorts& ports = logic.ports();
            *harvest = std::make_unique<HarvestWindow>(
                HarvestPorts{ports.db, ports.dialogs, ports.loop}, mainWindow);
        }
        return (*harvest)->exec(caption, targetGroup);
    };
}

} // namespace lw::gui
