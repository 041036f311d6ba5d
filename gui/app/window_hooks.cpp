#include "window_hooks.hpp"

#include "catalog/catalog_hooks.hpp"
#include "harvest/harvest_dialog.hpp"

#include <memory>

namespace lw::gui {

void InstallWindowHooks(TfrmFromDownload& logic, QWidget* mainWindow) {
    // Each subsystem assigns its hook here when its window lands:
    //   logic.hooks.startDownload, formRelayAddresses, startAllowance, startTips.
    InstallCatalogHooks(logic, mainWindow);

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
