#include "window_hooks.hpp"

#include "catalog/catalog_hooks.hpp"

namespace lw::gui {

void InstallWindowHooks(TfrmFromDownload& logic, QWidget* mainWindow) {
    // Each subsystem assigns its hook here when its window lands, for example:
    //   logic.hooks.showHarvest = [&logic, mainWindow](const std::string& caption,
    //                                                  std::int64_t targetGroup) { ... };
    //   logic.hooks.startDownload, formRelayAddresses, startAllowance, startTips.
    InstallCatalogHooks(logic, mainWindow);
}

} // namespace lw::gui
